// The console program's lines on standard error: the
// lowest layers' warnings, its own refusals, and the settings file's
// problems in English.
#pragma once

#include <windows.h>

#include <string>

#include "cli/exit_codes.h"
#include "settings_file/settings_file.h"

// The reporter of store/report.h: one line on standard error each.
void ReportLine(UINT stringId, const wchar_t *text);

// "ktrcli: " and the line, on standard error.
void Complain(const std::string &line);

// The file's problem as one line: the file, the line or field where known.
std::string DescribeProblem(const wchar_t *file, const FileResult &result);
