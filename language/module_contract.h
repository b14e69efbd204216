// What a language module must hold for the program to take it up.
#pragma once

#include <windows.h>

// True when the module holds menu 101, every dialog template that the
// program opens and the texts without which it cannot start: a module
// without them would leave a window without a way on, or no window at all.
bool HoldsEveryResource(HMODULE module);
