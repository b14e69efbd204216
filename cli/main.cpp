// ktrcli: the settings of the KTR family's SCSI host adapters from a
// command line. It never opens a window or a box: a script that runs it
// unattended gets lines and an exit code.
#include <windows.h>

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
    Arguments arguments;
    std::string error;
    const bool parsed = ParseArguments(argc, argv, arguments, error);
    outcome.json = arguments.json;
    const int code = parsed ? Run(arguments) : Usage(error);
    FreeDeviceMaps();
    if (outcome.json)
        Print(OutcomeJson(parsed ? CommandWord(arguments.command) : "usage", code));
    return code;
}
