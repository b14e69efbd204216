// The console program's command line: one command, its file, its options.
#pragma once

#include <windows.h>

#include <string>

enum class Command { Help, List, Show, Backup, Restore, Apply };

struct Arguments {
    Command command = Command::Help;
    const wchar_t *file = nullptr;  // backup, restore, apply
    int port = -1;                  // --port N; -1: every adapter
    bool json = false;              // list, show
    bool dryRun = false;            // restore, apply
};

// False, with one line that says why, when the words make no command.
bool ParseArguments(int argc, wchar_t **argv, Arguments &arguments, std::string &error);

// What --help prints: the commands and the exit codes.
extern const char kHelpText[];
