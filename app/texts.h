// Single texts of the current language module.
#pragma once

#include <windows.h>

// Loads string id into buffer (at most room characters, terminator
// included); returns its length. A missing string is the empty text.
int LoadText(UINT id, wchar_t *buffer, int room);
