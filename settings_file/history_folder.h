// The folder of the machine where each adapter's earlier settings are kept:
// %ProgramData%\KTR_HISTORY_FOLDER. An elevated program writes back what it
// finds there, so the folder, the one above it and each file in it are used
// only while no one but Administrators and the system can change them.
#pragma once

#include <windows.h>

#include <string>

enum class FolderCheck {
    Usable,
    Missing,  // not made yet: nothing is kept
    Unsafe,   // why: owned by another account, writable by one, or a link
    Failed,   // error: it could not be made, opened or checked
};

struct HistoryFolder {
    FolderCheck check = FolderCheck::Failed;
    std::wstring path;  // the folder's full name, without a final backslash
    std::string why;    // Unsafe: in English words
    DWORD error = 0;    // Failed
    // While open, neither folder can be renamed or removed.
    HANDLE above = INVALID_HANDLE_VALUE, handle = INVALID_HANDLE_VALUE;
};

// The folder's full name; "" when the system's folder cannot be found.
std::wstring HistoryFolderPath();

// Opens the folder and the one above it, making them first with the access
// list that keeps them safe when make is set, and checks who owns them and
// who may write in them, as the system reads their access lists back.
HistoryFolder OpenHistoryFolder(bool make);
void CloseHistoryFolder(HistoryFolder &folder);

// Opens a file of the usable folder for reading, shared with readers only,
// and checks it as the folder is checked; it must have no other name.
// INVALID_HANDLE_VALUE, and why, when it is not to be read.
HANDLE OpenKeptFile(const HistoryFolder &folder, const std::wstring &name, std::string &why);

// Why the folder is not used, in English words: for ktrcli and the event log.
std::string FolderProblem(const HistoryFolder &folder);
