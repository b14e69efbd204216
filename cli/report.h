// The console program's lines on standard error: the lowest layers'
// warnings, its own refusals, and the settings file's problems in English.
// Each is kept in the run's outcome too.
#pragma once

#include <windows.h>

#include <string>

#include "cli/exit_codes.h"
#include "settings_file/settings_file.h"

// The reporter of store/report.h: one warning line each.
void ReportLine(UINT stringId, const wchar_t *text);

// "ktrcli: " and the line, on standard error: a problem, or a warning.
void Complain(const std::string &line, int port = -1);
void Warn(const std::string &line, int port = -1);

// The file's problem as one line (the file, the line or field where
// known), complained of with its port, field, line and value.
void ComplainOfFile(const wchar_t *file, const FileResult &result);
std::string DescribeProblem(const wchar_t *file, const FileResult &result);
