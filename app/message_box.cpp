#include "app/message_box.h"

#include "app/shell.h"
#include "app/texts.h"

void ShowStringBox(HWND owner, UINT id, UINT icon)
{
    LoadText(id, textBuffer, kTextRoom);
    MessageBoxW(owner, textBuffer, windowCaption, MB_OK | icon);
}

void ShowWarningBox(UINT, const wchar_t *text)
{
    MessageBoxW(mainWindow, text, windowCaption, MB_OK | MB_ICONWARNING);
}
