// Each adapter's earlier settings, kept on the machine: before either
// program writes an adapter, what the adapter held is kept in the history
// folder as a backup of that adapter alone, which restore reads. The newest
// kKeptStates of each port are kept. Keeping them never stops or changes a
// write to an adapter.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "settings_file/history_folder.h"
#include "store/settings_image.h"

constexpr int kKeptStates = 20;

struct KeptState {
    int port = -1;
    std::string taken;          // from the file's name, in UTC: "2026-12-11T16:45:01.123Z"
    std::string program;        // the program whose change came next: "ktrcfg", "ktrcli"
    std::string action;         // and its action: "save", "restore", "apply", "undo"
    std::wstring file;          // the full name
};

// Who writes and how: the program and its action, named in each state kept
// before its writes. Sets stateKeeper (store/settings_transport.h).
void KeepHistory(const char *program, const char *action);

// What the record of the adapter's last write says of the state before it:
// the file that holds it, or why none was kept. "" before any write.
std::wstring KeptNote(int adapter);

// The kept states of port (-1: every port), newest first. The folder is
// checked first: nothing is read from one that is not usable (a missing one
// holds nothing). A state whose file fails its check or cannot be read
// names no program.
HistoryFolder ListKeptStates(int port, std::vector<KeptState> &states);

// The newest state of port that can be put back on an adapter that holds
// holds: its file checked and held open, with its folder, until
// ReleaseState, so that what is read is what was checked. Newer states whose
// files fail their check or cannot be read, and those that hold what the
// adapter holds already, are passed over, each named with why.
struct HeldState {
    HistoryFolder folder;
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring path;  // "" when there is none
    std::vector<std::pair<std::wstring, std::string>> passedOver;
};
HeldState HoldNewestState(int port, const SettingsImage &holds);
void ReleaseState(HeldState &state);
