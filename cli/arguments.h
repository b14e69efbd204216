// The console program's command line: one command, its file, its options.
#pragma once

#include <windows.h>

#include <string>

enum class Command { Help, List, Show, Backup, Restore, Apply, Verify, History, Undo };

struct Arguments {
    Command command = Command::Help;
    const wchar_t *file = nullptr;  // backup, restore, apply, verify
    int port = -1;                  // --port N; -1: every adapter
    bool json = false;              // --json: one JSON document on standard output
    bool dryRun = false;            // restore, apply, undo
    bool force = false;             // backup: replace a file that is there
    bool otherComputer = false;     // restore, verify: a backup of another computer
};

// False, with one line that says why, when the words make no command.
// --json is taken from the line even then, so that the refusal is a JSON document too.
bool ParseArguments(int argc, wchar_t **argv, Arguments &arguments, std::string &error);

// The name of the command as typed: "list", "show"...; "help". -Wswitch asks
// for a new command here, and arguments.cpp then for its row.
constexpr const char *CommandWord(Command command)
{
    switch (command) {
    case Command::Help: return "help";
    case Command::List: return "list";
    case Command::Show: return "show";
    case Command::Backup: return "backup";
    case Command::Restore: return "restore";
    case Command::Apply: return "apply";
    case Command::Verify: return "verify";
    case Command::History: return "history";
    case Command::Undo: return "undo";
    }
    return nullptr;
}

// What a command takes and what it does: the code asks the row, never the
// command's name.
struct CommandRow {
    const wchar_t *word;
    Command command;
    bool takesFile, takesPort, takesDryRun, takesForce, takesOtherComputer;
    bool readsFile;       // a settings file
    bool readsAdapters;   // finds the adapters and reads what they hold
    bool writesAdapters;  // a command that reads a file and writes nothing compares
    bool recordsEvents;   // each write and each refusal on the Application log
    bool needsEnglish;    // eng_lang.dll: the registry's names and the warnings
};

const CommandRow &RowOf(Command command);

// What --help prints: the commands and the exit codes.
extern const char kHelpText[];
