#include "app/texts.h"

#include "app/shell.h"

int LoadText(UINT id, wchar_t *buffer, int room)
{
    buffer[0] = 0;
    return LoadStringW(languageModule, id, buffer, room);
}
