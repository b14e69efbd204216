#include "cli/arguments.h"

#include <iterator>

#include "cli/output.h"
#include "ktr_version.h"

const char kHelpText[] =
    "ktrcli " KTR_VERSION_TEXT ": settings of the KTR family's SCSI host adapters, from a command line.\n"
    "\n"
    "  ktrcli list [--json]                       the adapters: port, chip, I/O, IRQ, valid\n"
    "  ktrcli show [--port N] [--json]            the settings of one adapter or all of them\n"
    "  ktrcli backup FILE [--port N] [--force]    writes a backup of what the adapters hold now;\n"
    "                                             --force replaces a FILE that is there\n"
    "  ktrcli restore FILE [--port N] [--dry-run] [--other-computer]\n"
    "                                             puts a backup's images back on the adapters\n"
    "                                             of the same port and chip\n"
    "  ktrcli apply FILE [--port N] [--dry-run]   applies a template, or a backup's named settings only\n"
    "  ktrcli verify FILE [--port N] [--other-computer]\n"
    "                                             compares the adapters with a backup or a template;\n"
    "                                             writes nothing\n"
    "  ktrcli history [--port N]                  the settings kept before each change, newest first\n"
    "  ktrcli undo [--port N] [--dry-run]         puts back what the adapter held before its last\n"
    "                                             change; --port N is needed where there are several\n"
    "  ktrcli --help                              this text\n"
    "\n"
    "restore and apply check every adapter that the file names first, then print each setting\n"
    "that changes (old -> new), then write only the adapters whose settings change. Before it\n"
    "writes an adapter, ktrcli reads it again: one that another program changed meanwhile is\n"
    "not written. --dry-run prints the same and writes nothing. A backup names the computer\n"
    "it was taken on: restore and verify refuse another computer's unless --other-computer\n"
    "is given. Before each write, what the adapter held is kept in the history folder\n"
    "(%ProgramData%\\" KTR_PRODUCT_NAME "\\History), the newest states of each port, for\n"
    "history and undo. undo restores the newest and is kept itself: a second undo redoes.\n"
    "--port N limits a command to the adapter at SCSI port N. --json, with any\n"
    "command (before or after it), prints one JSON document on standard output, whatever\n"
    "the outcome.\n"
    "\n"
    "exit codes:\n"
    "  0  done, or nothing to change; verify: the adapters hold what the file says\n"
    "                                                                   written: as printed\n"
    "  1  usage, or a file that cannot be read, written or parsed       written: nothing\n"
    "  2  refused by a rule: chip, port, computer, range, edited\n"
    "     backup, invalid adapter                                       written: nothing\n"
    "  3  an adapter could not be read, backed up or written, or\n"
    "     another program changed it meanwhile; nothing to undo         written: as printed\n"
    "  4  verify: the adapters do not hold what the file says          written: nothing\n"
    "where several apply, the lowest of them ends the run (1 before 2, 2 before 3).\n";

namespace {

// One row for each Command, in its order: the word, the command, what it
// takes (file, --port, --dry-run, --force, --other-computer), then what it
// does (reads a file, reads adapters, writes them, records events, needs
// the English module).
constexpr CommandRow kCommands[] = {
    {L"help", Command::Help, false, false, false, false, false, false, false, false, false, false},
    {L"list", Command::List, false, false, false, false, false, false, true, false, false, true},
    {L"show", Command::Show, false, true, false, false, false, false, true, false, false, true},
    {L"backup", Command::Backup, true, true, false, true, false, false, true, false, false, true},
    {L"restore", Command::Restore, true, true, true, false, true, true, true, true, true, true},
    {L"apply", Command::Apply, true, true, true, false, false, true, true, true, true, true},
    {L"verify", Command::Verify, true, true, false, false, true, true, true, false, false, true},
    {L"history", Command::History, false, true, false, false, false, false, false, false, false, false},
    {L"undo", Command::Undo, false, true, true, false, false, false, true, true, true, true},
};

constexpr bool RowsAreWhole()
{
    for (std::size_t i = 0; i < std::size(kCommands); ++i) {
        const CommandRow &row = kCommands[i];
        if (row.command != static_cast<Command>(i))
            return false;
        // The walk of the device map takes its names from the English module.
        if (row.readsAdapters && !row.needsEnglish)
            return false;
        // Every write is on record, and only a command that reads adapters writes them.
        if (row.writesAdapters && !(row.recordsEvents && row.readsAdapters))
            return false;
        if (row.readsFile && !row.takesFile)
            return false;
    }
    return !CommandWord(static_cast<Command>(std::size(kCommands)));
}
static_assert(RowsAreWhole(), "kCommands: one row for each Command, in its order, each whole");

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

const CommandRow &RowOf(Command command)
{
    return kCommands[static_cast<std::size_t>(command)];
}

bool ParseArguments(int argc, wchar_t **argv, Arguments &arguments, std::string &error)
{
    arguments = Arguments();
    for (int i = 1; i < argc; ++i)
        arguments.json = arguments.json || lstrcmpW(argv[i], L"--json") == 0;
    // The command is the first word but --json, which may stand anywhere.
    int at = 1;
    while (at < argc && lstrcmpW(argv[at], L"--json") == 0)
        ++at;
    // Help is the first word only: "apply help" names a file.
    if (at < argc && IsHelp(argv[at]))
        return true;
    if (at >= argc) {
        error = "no command given";
        return false;
    }
    const CommandRow *name = nullptr;
    for (const CommandRow &c : kCommands)
        if (lstrcmpW(argv[at], c.word) == 0)
            name = &c;
    if (!name) {
        error = "unknown command \"" + ShownArgument(argv[at]) + "\"";
        return false;
    }
    arguments.command = name->command;
    const std::string command = CommandWord(name->command);
    for (int i = at + 1; i < argc; ++i) {
        const wchar_t *word = argv[i];
        if (lstrcmpW(word, L"--port") == 0 && name->takesPort) {
            if (i + 1 >= argc || !ParsePort(argv[i + 1], arguments.port)) {
                error = "--port takes a port number from 0 to 255";
                return false;
            }
            ++i;
        } else if (lstrcmpW(word, L"--json") == 0) {
        } else if (lstrcmpW(word, L"--dry-run") == 0 && name->takesDryRun) {
            arguments.dryRun = true;
        } else if (lstrcmpW(word, L"--force") == 0 && name->takesForce) {
            arguments.force = true;
        } else if (lstrcmpW(word, L"--other-computer") == 0 && name->takesOtherComputer) {
            arguments.otherComputer = true;
        } else if (word[0] == L'-' && word[1] == L'-') {
            error = command + " takes no option " + ShownArgument(word);
            return false;
        } else if (name->takesFile && !arguments.file && word[0]) {
            arguments.file = word;
        } else {
            error = command + ": unexpected \"" + ShownArgument(word) + "\"";
            return false;
        }
    }
    if (name->takesFile && !arguments.file) {
        error = command + " needs a FILE";
        return false;
    }
    return true;
}
