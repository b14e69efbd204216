#include "app/shell.h"

HINSTANCE programInstance;
wchar_t windowCaption[kCaptionRoom];
HWND mainWindow;

wchar_t languageModuleName[16];
DWORD currentLcid;
wchar_t localeName[32];

int currentAdapter;
int currentDevice;

wchar_t textBuffer[kTextRoom];
wchar_t stringBuffer[kStringRoom];
