// Every change on record: each program writes one entry to the platform's
// Application log for each adapter that it writes (or meant to write), and
// the console program one for each file it refuses. The entries' words are
// English and fixed, from the message table in both programs
// (event_messages.mc). Writing the log never stops or changes a write to
// an adapter, and never shows anything.
#pragma once

#include <windows.h>

#include <string>

#include "store/settings_transport.h"

extern const wchar_t kEventSource[];  // KTR_EVENT_SOURCE of cmake/version.cmake

// The entries' IDs, as event_messages.mc numbers them.
constexpr DWORD kEventWritten = 1000;     // information
constexpr DWORD kEventNotWritten = 1001;  // error
constexpr DWORD kEventRefused = 1002;     // warning

// Who writes and how: the program ("ktrcfg", "ktrcli"), the action
// ("save", "restore", "apply") and the settings file (null: none). Set
// before the writes; the recorder of store/settings_transport.h then puts
// each write on record. The source is registered and the account read once
// for the process, here or at the first entry.
void SetEventContext(const char *program, const char *action, const wchar_t *file);
// The settings file from which the records of an adapter were loaded in the
// windows, named in the entry of its next write (null: none).
void SetAdapterFile(int adapter, const wchar_t *file);
// The recorder that each program sets as writeRecorder.
void RecordWrite(int adapter, const SettingsImage &held, const SettingsImage &sent, WriteEnd end);
// One entry for a file refused by the rules: nothing was written.
void RecordRefusal(const std::string &reason);
// Deregisters the source; the next entry registers it again.
void CloseEventLog();
