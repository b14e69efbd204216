// Language modules come from the program's own folder only, and as data: no
// code of a module ever runs, and no module is found through the library
// search, which an elevated program cannot trust.
#pragma once

#include <windows.h>

// The module that every string, menu and dialog template comes from.
extern HMODULE languageModule;

// The folder of the running program, with its trailing backslash.
extern wchar_t programFolder[MAX_PATH];

// Fills programFolder; false when the program's path cannot be read whole.
bool FindProgramFolder();
// programFolder followed by the file name; false when it does not fit.
bool InProgramFolder(const wchar_t *fileName, wchar_t *path);
// Maps the file as an image of resources only; null when it cannot.
HMODULE LoadModuleAsData(const wchar_t *path);
// The module "<programFolder><name>.dll", loaded as data.
HMODULE LoadLanguageModule(const wchar_t *name);

// Libraries that the platform loads for the program come from the system
// folder only, never from the current folder or the PATH.
void LimitLibrarySearch();
