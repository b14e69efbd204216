// What a language module must hold for the program to take it up.
#pragma once

#include <windows.h>

// True when the module holds menu 101 and every dialog template that the
// program opens; a module without them would leave a window without a way on.
bool HoldsEveryResource(HMODULE module);
