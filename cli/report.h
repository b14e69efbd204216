// The console program's exit codes and its lines on standard error: the
// lowest layers' warnings, its own refusals, and the settings file's
// problems in English.
#pragma once

#include <windows.h>

#include <string>

#include "settings_file/settings_file.h"

constexpr int kExitDone = 0;
constexpr int kExitUsage = 1;     // usage, or a file that cannot be read, written or parsed
constexpr int kExitRefused = 2;   // refused by a rule
constexpr int kExitAdapter = 3;   // an adapter could not be read or written

// The reporter of store/report.h: one line on standard error each.
void ReportLine(UINT stringId, const wchar_t *text);

// "ktrcli: " and the line, on standard error.
void Complain(const std::string &line);

// The file's problem as one line: the file, the line or field where known.
std::string DescribeProblem(const wchar_t *file, const FileResult &result);
