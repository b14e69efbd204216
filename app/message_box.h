// Message boxes of the program: a text of the language module, the
// application caption, an OK button.
#pragma once

#include <windows.h>

// Loads string id into the shared text buffer and shows it owned by owner.
void ShowStringBox(HWND owner, UINT id, UINT icon);

// The program's reporter of the lowest layers' warnings: a warning box owned
// by the main window.
void ShowWarningBox(UINT stringId, const wchar_t *text);

inline void ShowWarning(HWND owner, UINT id)
{
    ShowStringBox(owner, id, MB_ICONWARNING);
}
