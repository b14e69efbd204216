#include "dialogs/dialog_shared.h"

#include "app/point_font.h"
#include "app/shell.h"
#include "dialogs/dialogs.h"

int charWidth;
int lineHeight;
std::uint8_t modifiedAtOpen;

void MeasureDialogFont(HDC dc)
{
    SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    charWidth = metrics.tmAveCharWidth;
    lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
}

void DrawBandedHeader(HDC dc, int x, int y, const wchar_t *text, int length)
{
    const COLORREF oldBack = SetBkColor(dc, kHeaderBand);
    const int oldMode = SetBkMode(dc, OPAQUE);
    const COLORREF oldText = SetTextColor(dc, kHeaderText);
    HFONT font = CreatePointFont(dc, kHeaderFace, 80, 0, kFontBold, 1);
    HGDIOBJ oldFont = SelectObject(dc, font);
    TextOutW(dc, x, y, text, length);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SetBkColor(dc, oldBack);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldText);
}

void ShowJoinedWarning(HWND owner, const UINT *ids, int count)
{
    int n = 0;
    textBuffer[0] = 0;
    for (int i = 0; i < count && n < kTextRoom - 1; ++i)
        n += LoadText(ids[i], textBuffer + n, kTextRoom - n);
    MessageBoxW(owner, textBuffer, windowCaption, MB_OK | MB_ICONWARNING);
}

bool ActsOnRow(WPARAM wParam, HWND list, int listId)
{
    if (LOWORD(wParam) == listId && HIWORD(wParam) == LBN_DBLCLK)
        return true;
    return LOWORD(wParam) == IDOK && GetFocus() == list;
}

bool KeepsSelection(WPARAM wParam, HWND list, int listId)
{
    if (LOWORD(wParam) != listId || HIWORD(wParam) != LBN_SELCHANGE)
        return false;
    SendMessageW(list, LB_SETCURSEL, SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
    SetFocus(list);
    return true;
}
