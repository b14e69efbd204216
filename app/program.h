// Start-up of the program: locale, language module, window class, main window.
#pragma once

#include <windows.h>

// Steps before the main window exists; false when the program cannot go on
// (the user has been told why).
bool StartProgram(HINSTANCE instance);
// Null when the window cannot be created (the user has been told).
HWND CreateMainWindow();
int RunMessageLoop();
