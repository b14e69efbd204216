// ktrcli: the settings of the KTR family's SCSI host adapters from a
// command line. It never opens a window or a box: a script that runs it
// unattended gets lines and an exit code.
#include <windows.h>

#include <cstdlib>
#include <exception>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/outcome.h"
#include "cli/output.h"
#include "cli/report.h"
#include "discovery/device_map.h"
#include "event_log/event_log.h"
#include "language/module_contract.h"
#include "language/module_file.h"
#include "store/report.h"

namespace {

const char *commandWord = "usage";
void *reserve;  // given back when memory runs out, for the last document

// Ends the run: the document with --json, and the code. A write to standard
// output that failed is a failure: 1, or 3 once an adapter was written.
int Finish(int code)
{
    if (outcome.json && !Print(OutcomeJson(commandWord, code)) && !outcome.unprinted) {
        outcome.unprinted = true;
        PrintError("ktrcli: standard output could not be written\n");
    }
    if (outcome.unprinted && (code == kExitDone || code == kExitDiffers))
        code = outcome.wrote ? kExitAdapter : kExitUsage;
    return code;
}

// What escapes a command, memory running out: one document and a code still.
[[noreturn]] void Stopped()
{
    static bool stopping = false;
    if (stopping)
        std::exit(kExitAdapter);
    stopping = true;
    std::free(reserve);
    reserve = nullptr;
    Complain("the run stopped short: out of memory");
    std::exit(Finish(kExitAdapter));
}

int Usage(const std::string &error)
{
    Complain(error);
    Complain("\"ktrcli --help\" lists the commands and the exit codes");
    return kExitUsage;
}

int Run(const Arguments &arguments)
{
    const CommandRow &row = RowOf(arguments.command);
    if (row.needsEnglish) {
        // The registry's names and the warnings come from the English module,
        // taken as data from beside the program, wherever it was started from.
        languageModule = FindProgramFolder() ? LoadLanguageModule(L"eng_lang") : nullptr;
        if (!HoldsEveryResource(languageModule)) {
            Complain("the language module eng_lang.dll was not found beside ktrcli.exe, or it is damaged");
            return kExitUsage;
        }
        warningReporter = ReportLine;
    }
    if (row.recordsEvents)
        writeRecorder = RecordWrite;
    return RunCommand(arguments);
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    // No box of the system either: a missing disk or a crash ends the run.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    LimitLibrarySearch();
    reserve = std::malloc(256 * 1024);
    std::set_terminate(Stopped);
    Arguments arguments;
    std::string error;
    const bool parsed = ParseArguments(argc, argv, arguments, error);
    outcome.json = arguments.json;
    if (parsed)
        commandWord = CommandWord(arguments.command);
    const int code = parsed ? Run(arguments) : Usage(error);
    FreeDeviceMaps();
    return Finish(code);
}
