// What one run of the console program came to, kept as it goes for the
// JSON document that --json prints at its end, whatever the exit code.
#pragma once

#include <string>
#include <vector>

#include "settings_file/settings_file.h"

struct Remark {
    int port = -1;       // -1: none
    std::string field;   // empty: none
    int line = 0;        // 0: none
    std::string value;   // empty: none
    std::string message; // the line on standard error, without "ktrcli: "
};

struct Outcome {
    bool json = false;               // --json: standard output holds the document only
    std::vector<Remark> problems;    // what the exit code is for
    std::vector<Remark> warnings;
    std::vector<std::string> keys;   // the command's own members, "\"name\": value"
    bool unprinted = false;          // a write to standard output failed
    bool wrote = false;              // an adapter was written
};

extern Outcome outcome;

// Adds the command's member "name": value (value as JSON text).
void AddKey(const char *name, const std::string &value);
std::string PortsJson(const std::vector<int> &ports);
std::string ChangesJson(const std::vector<SettingChange> &changes);
// The document: the command, its exit code, problems, warnings, then the command's members.
std::string OutcomeJson(const char *command, int exitCode);
