// The console program's command line: one command, its file, its options.
#pragma once

#include <windows.h>

#include <string>

enum class Command { Help, List, Show, Backup, Restore, Apply, Verify };

struct Arguments {
    Command command = Command::Help;
    const wchar_t *file = nullptr;  // backup, restore, apply, verify
    int port = -1;                  // --port N; -1: every adapter
    bool json = false;              // --json: one JSON document on standard output
    bool dryRun = false;            // restore, apply
    bool force = false;             // backup: replace a file that is there
    bool otherComputer = false;     // restore, verify: a backup of another computer
};

// False, with one line that says why, when the words make no command.
// --json is taken from the line even then, so that the refusal is a JSON document too.
bool ParseArguments(int argc, wchar_t **argv, Arguments &arguments, std::string &error);

// The name of the command as typed: "list", "show"...; "help".
const char *CommandWord(Command command);

// What --help prints: the commands and the exit codes.
extern const char kHelpText[];
