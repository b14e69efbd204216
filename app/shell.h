// State of the application shell that every window and dialog reads.
#pragma once

#include <windows.h>

#include "language/module_file.h"  // languageModule
#include "language/string_rooms.h"

constexpr int kCaptionRoom = StringRoom(IDS_CAPTION);
constexpr int kTextRoom = 1024;
constexpr int kStringRoom = 256;

extern HINSTANCE programInstance;
extern wchar_t windowCaption[kCaptionRoom];  // string 1: class name, title, message box caption
extern HWND mainWindow;

extern wchar_t languageModuleName[16];  // file name without extension
extern DWORD currentLcid;
extern wchar_t localeName[32];          // for _wsetlocale; empty selects the environment's default

extern int currentAdapter;              // adapter whose dialog is open
extern int currentDevice;               // SCSI ID whose device dialog is open

extern wchar_t textBuffer[kTextRoom];   // message boxes and list lines
extern wchar_t stringBuffer[kStringRoom];  // single loaded texts
