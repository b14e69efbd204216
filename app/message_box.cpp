#include "app/message_box.h"

#include "app/shell.h"

void ShowStringBox(HWND owner, UINT id, int room, UINT icon)
{
    if (room > kTextRoom)
        room = kTextRoom;
    LoadStringW(languageModule, id, textBuffer, room);
    MessageBoxW(owner, textBuffer, windowCaption, MB_OK | icon);
}

void ShowWarningBox(UINT, const wchar_t *text)
{
    MessageBoxW(mainWindow, text, windowCaption, MB_OK | MB_ICONWARNING);
}
