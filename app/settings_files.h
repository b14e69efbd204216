// The File menu's settings files: a backup of what the adapters hold, and a
// backup or template loaded into the working records (written only on Save).
#pragma once

#include <windows.h>

constexpr int kFilterRoom = 100;   // the filter's text, its pattern after it
constexpr int kFileTitleRoom = 80;

void BackUpSettings(HWND window);
void RestoreSettings(HWND window);
