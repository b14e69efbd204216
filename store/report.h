// Warnings of the lowest layers, which show nothing themselves: a string of
// the language module and its arguments, handed to whatever the program set
// up to tell its user (the windowed program a box, the console program a
// line on standard error).
#pragma once

#include <windows.h>

constexpr int kReportRoom = 1024;

// Receives each warning: its string number and its text, formatted.
using WarningReporter = void (*)(UINT stringId, const wchar_t *text);

// Set by each program before it looks for adapters; while it is null,
// warnings go nowhere.
extern WarningReporter warningReporter;

// Loads string stringId (at most its room, language/string_rooms.h, and at
// most kReportRoom) and formats it with the arguments as wvsprintfW does.
void ReportWarning(UINT stringId, ...);
