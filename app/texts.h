// Single texts of the current language module.
#pragma once

#include <windows.h>

#include <cstddef>

#include "app/shell.h"
#include "language/string_rooms.h"

// Loads string id into buffer, at most its room (language/string_rooms.h)
// and at most space characters, terminator included; returns its length. A
// missing string is the empty text.
int LoadText(UINT id, wchar_t *buffer, int space);
// The same into a whole array, which bounds it.
template <std::size_t N>
int LoadText(UINT id, wchar_t (&buffer)[N])
{
    return LoadText(id, buffer, static_cast<int>(N));
}
