#include "app/texts.h"

int LoadText(UINT id, wchar_t *buffer, int space)
{
    buffer[0] = 0;
    const int room = StringRoom(id);
    return LoadStringW(languageModule, id, buffer, room < space ? room : space);
}
