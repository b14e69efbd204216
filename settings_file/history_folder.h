// The folder of the machine where each adapter's earlier settings are kept:
// %ProgramData%\KTR_HISTORY_FOLDER. An elevated program writes back what it
// finds there, so the folder is used only while no one but administrators
// can put a file in it.
#pragma once

#include <windows.h>

#include <string>

enum class FolderCheck {
    Usable,
    Missing,  // not made yet: nothing is kept
    Unsafe,   // why: owned by another account, or writable by one
    Failed,   // error: it could not be made, opened or checked
};

struct HistoryFolder {
    FolderCheck check = FolderCheck::Failed;
    std::wstring path;  // the folder's full name, without a final backslash
    std::string why;    // Unsafe: in English words
    DWORD error = 0;    // Failed
    HANDLE handle = INVALID_HANDLE_VALUE;  // while open, it cannot be renamed or removed
};

// The folder's full name; "" when the system's folder cannot be found.
std::wstring HistoryFolderPath();

// Opens the folder, making it first (and the folder above it) with the
// access list that keeps it safe when make is set, and checks who owns it
// and who may write there, as the system reads its access list back.
HistoryFolder OpenHistoryFolder(bool make);
void CloseHistoryFolder(HistoryFolder &folder);

// Why the folder is not used, in English words: for ktrcli and the event log.
std::string FolderProblem(const HistoryFolder &folder);
