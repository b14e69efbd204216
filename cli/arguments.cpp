#include "cli/arguments.h"

#include "cli/output.h"
#include "ktr_version.h"

const char kHelpText[] =
    "ktrcli " KTR_VERSION_TEXT ": settings of the KTR family's SCSI host adapters, from a command line.\n"
    "\n"
    "  ktrcli list [--json]                        the adapters: port, chip, I/O, IRQ, valid\n"
    "  ktrcli show [--port N] [--json]             every named setting of one adapter or all of them\n"
    "  ktrcli backup FILE [--port N]               writes a backup of what the adapters hold now\n"
    "  ktrcli restore FILE [--port N] [--dry-run]  puts a backup's images back on the adapters\n"
    "                                              of the same port and chip\n"
    "  ktrcli apply FILE [--port N] [--dry-run]    applies a template, or a backup's named settings only\n"
    "  ktrcli --help                               this text\n"
    "\n"
    "restore and apply check every adapter that the file names first, then print each setting\n"
    "that changes (old -> new), then write only the adapters whose settings change.\n"
    "--dry-run prints the same and writes nothing. --port N limits a command to the adapter\n"
    "at SCSI port N. --json prints one JSON document on standard output.\n"
    "\n"
    "exit codes:\n"
    "  0  done, or nothing to change                                    written: as printed\n"
    "  1  usage, or a file that cannot be read, written or parsed       written: nothing\n"
    "  2  refused by a rule: chip, port, range, edited backup,\n"
    "     invalid adapter                                               written: nothing\n"
    "  3  an adapter could not be read or written                       written: as printed\n";

namespace {

struct CommandName {
    const wchar_t *word;
    Command command;
    bool takesFile, takesPort, takesJson, takesDryRun;
};

constexpr CommandName kCommands[] = {
    {L"list", Command::List, false, false, true, false},
    {L"show", Command::Show, false, true, true, false},
    {L"backup", Command::Backup, true, true, false, false},
    {L"restore", Command::Restore, true, true, false, true},
    {L"apply", Command::Apply, true, true, false, true},
};

bool IsHelp(const wchar_t *word)
{
    return lstrcmpW(word, L"--help") == 0 || lstrcmpW(word, L"-h") == 0 || lstrcmpW(word, L"/?") == 0 ||
           lstrcmpW(word, L"help") == 0;
}

// A decimal port number 0..255, nothing else.
bool ParsePort(const wchar_t *word, int &port)
{
    if (!word || !word[0])
        return false;
    int value = 0;
    for (const wchar_t *p = word; *p; ++p) {
        if (*p < L'0' || *p > L'9' || p - word >= 3)
            return false;
        value = value * 10 + (*p - L'0');
    }
    if (value > 255)
        return false;
    port = value;
    return true;
}

}  // namespace

bool ParseArguments(int argc, wchar_t **argv, Arguments &arguments, std::string &error)
{
    arguments = Arguments();
    for (int i = 1; i < argc; ++i)
        if (IsHelp(argv[i]))
            return true;
    if (argc < 2) {
        error = "no command given";
        return false;
    }
    const CommandName *name = nullptr;
    for (const CommandName &c : kCommands)
        if (lstrcmpW(argv[1], c.word) == 0)
            name = &c;
    if (!name) {
        error = "unknown command \"" + Utf8(argv[1]) + "\"";
        return false;
    }
    arguments.command = name->command;
    const std::string command = Utf8(name->word);
    for (int i = 2; i < argc; ++i) {
        const wchar_t *word = argv[i];
        const std::string option = Utf8(word);
        if (lstrcmpW(word, L"--port") == 0 && name->takesPort) {
            if (i + 1 >= argc || !ParsePort(argv[i + 1], arguments.port)) {
                error = "--port takes a port number from 0 to 255";
                return false;
            }
            ++i;
        } else if (lstrcmpW(word, L"--json") == 0 && name->takesJson) {
            arguments.json = true;
        } else if (lstrcmpW(word, L"--dry-run") == 0 && name->takesDryRun) {
            arguments.dryRun = true;
        } else if (word[0] == L'-' && word[1] == L'-') {
            error = command + " takes no option " + option;
            return false;
        } else if (name->takesFile && !arguments.file && word[0]) {
            arguments.file = word;
        } else {
            error = command + ": unexpected \"" + option + "\"";
            return false;
        }
    }
    if (name->takesFile && !arguments.file) {
        error = command + " needs a FILE";
        return false;
    }
    return true;
}
