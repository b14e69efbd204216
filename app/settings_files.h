// The File menu's settings files: a backup of what the adapters hold, and a
// backup or template loaded into the working records (written only on Save).
#pragma once

#include <windows.h>

struct FileResult;

void BackUpSettings(HWND window);
void RestoreSettings(HWND window);

// The words of the current language for why a file was refused, into out
// (at least kTextRoom / 2 characters).
void DescribeRefusal(const FileResult &result, wchar_t *out);
