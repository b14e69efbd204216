// The device table: one row per SCSI ID with the device that the device map
// lists there and its seven settings. The host adapter's own row stands for
// all devices: what is changed through it is copied into every entry.
#include "app/message_box.h"
#include "app/point_font.h"
#include "app/shell.h"
#include "dialogs/dialog_shared.h"
#include "dialogs/device_name.h"
#include "dialogs/dialogs.h"
#include "discovery/device_map.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "store/chip_table.h"
#include "store/defaults.h"
#include "store/rate_display.h"

namespace {

constexpr COLORREF kTableHeaderBand = 0x800000;  // RGB 00 00 80

RECT clientRect;
// The record's mark when the table opened: the device dialogs that it opens keep their own.
std::uint8_t tableModifiedAtOpen;

// Tab stops in fixed-font character widths; Russian and Spanish texts run
// longer, and so do the French and Italian on/off words, which take the
// Russian stops.
constexpr int kStops1049[10] = {9, 12, 17, 21, 26, 29, 32, 35, 38, 41};
constexpr int kStops1034[10] = {9, 12, 17, 20, 27, 30, 33, 36, 39, 42};
constexpr int kStopsOther[10] = {9, 12, 16, 20, 24, 28, 32, 36, 40, 44};

// The average character width of a dialog font, of which a dialog unit is a
// quarter, measured as the platform measures it.
int BaseWidth(HDC dc, HFONT font)
{
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
    SelectObject(dc, old);
    return (size.cx / 26 + 1) / 2;
}

int Resolution(HDC dc)
{
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    return dpi > 0 ? dpi : 96;
}

// The header lines are laid out with blanks against columns of this many
// pixels at 96 dots per inch, the fixed font's width on a Western system at
// any resolution. A Chinese or Japanese system's fixed font is wider (10
// pixels and more), its header font is not.
constexpr int kCellAt96 = 8;
constexpr int kValueColumns = 7;

// How the header's font has grown from 96 dots per inch: its average
// character width now (num) and as it was there (den).
struct Growth {
    int num, den;
};

// The header's font as it is at 96 dots per inch.
HFONT HeaderAt96(HFONT header)
{
    LOGFONTA font;
    if (!GetObjectA(header, sizeof(font), &font))
        return nullptr;
    font.lfHeight = FontHeightOf(TenthsOfPixels(80, 96.0f));
    return CreateFontIndirectA(&font);
}

Growth HeaderGrowth(HDC dc, HFONT header, HFONT at96)
{
    Growth g = {BaseWidth(dc, header), BaseWidth(dc, at96)};
    if (g.num <= 0 || g.den <= 0)
        g = {1, 1};
    return g;
}

// Where each column's title starts, in pixels from the header's left, in the
// font given: the earlier of the two lines' labels, a label being the first
// word and every word after two or more blanks. False unless every column has one.
bool TitleOffsets(HDC dc, HFONT font, const wchar_t (&lines)[2][256], const int (&lengths)[2], int *x)
{
    HGDIOBJ old = SelectObject(dc, font);
    int found = kValueColumns;
    for (int l = 0; l < 2; ++l) {
        int column = 0, blanks = 2;
        for (int i = 0; i < lengths[l] && column < kValueColumns; ++i) {
            if (lines[l][i] == L' ') {
                ++blanks;
                continue;
            }
            if (blanks >= 2) {
                SIZE size = {};
                GetTextExtentPoint32W(dc, lines[l], i, &size);
                x[column] = l == 0 || size.cx < x[column] ? size.cx : x[column];
                ++column;
            }
            blanks = 0;
        }
        found = column < found ? column : found;
    }
    SelectObject(dc, old);
    return found == kValueColumns;
}

// Where the header starts, and how far the columns move out with it.
struct HeaderPlace {
    int left;
    Growth grow;
    // How far each title stands off where the header's growth alone would
    // place it: its blanks do not grow in step with its letters.
    int shift[kValueColumns];
};

HeaderPlace PlaceHeader(HDC dc, HFONT header, const wchar_t (&lines)[2][256], const int (&lengths)[2])
{
    HeaderPlace place = {};
    place.grow = {1, 1};
    HFONT at96 = Resolution(dc) == 96 ? nullptr : HeaderAt96(header);
    int now[kValueColumns], then[kValueColumns];
    if (at96) {
        place.grow = HeaderGrowth(dc, header, at96);
        if (TitleOffsets(dc, header, lines, lengths, now) && TitleOffsets(dc, at96, lines, lengths, then))
            for (int c = 0; c < kValueColumns; ++c)
                place.shift[c] = now[c] - MulDiv(then[c], place.grow.num, place.grow.den);
        DeleteObject(at96);
    }
    place.left = MulDiv(24 * kCellAt96, place.grow.num, place.grow.den);
    return place;
}

// Tab stops in dialog units that fall where the given stops, in header
// columns, fall at 96 dots per inch, moved out as far as the header's font
// has grown since and on with each title: neither the fixed font nor the
// dialog's font grows in step with the display's resolution. The first
// stop ends the name; the values stand at the next seven, and the last
// two follow the last value.
void ColumnStops(HWND dialog, HDC dc, const HeaderPlace &place, const int *set, INT *stops)
{
    RECT unit = {0, 0, 4, 0};
    MapDialogRect(dialog, &unit);
    int now = unit.right, at96 = now;
    LOGFONTW font;
    const Growth grow = place.grow;
    if (grow.num != grow.den &&
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font)) {
        font.lfHeight = MulDiv(font.lfHeight, grow.den, grow.num);
        font.lfWidth = 0;
        HFONT small = CreateFontIndirectW(&font);
        at96 = BaseWidth(dc, small);
        DeleteObject(small);
    }
    if (now <= 0 || at96 <= 0)
        now = at96 = 1;
    for (int i = 0; i < 10; ++i) {
        const int shift = i == 0 ? 0 : place.shift[i <= kValueColumns ? i - 1 : kValueColumns - 1];
        stops[i] = MulDiv(set[i] * kCellAt96 * at96, grow.num, grow.den * now) + MulDiv(shift, 4, now);
    }
}

int Word(wchar_t *p, const wchar_t *format, UINT id)
{
    LoadText(id, stringBuffer);
    return wsprintfW(p, format, stringBuffer);
}

int RateColumn(wchar_t *p, const DeviceEntry &e)
{
    const ShownRate rate = LookupRate(e.syncCode.get(), e.busWidth);
    switch (rate.kind) {
    case RateKind::Async:
        return Word(p, L"%s\t", IDS_WORD_OFF);
    case RateKind::Number:
        return wsprintfW(p, RateNumberFormat(rate.megabytes, true), rate.megabytes);
    default:
        return Word(p, L"%s\t", IDS_NOT_AVAILABLE);
    }
}

int WidthColumn(wchar_t *p, const DeviceEntry &e)
{
    switch (e.busWidth) {
    case 8:
        return wsprintfW(p, L"%2d\t", 8);
    case 16:
    case 32:
        return wsprintfW(p, L"%d\t", e.busWidth);
    default:
        return Word(p, L"%s\t", IDS_NOT_AVAILABLE);
    }
}

void ComposeRow(int r)
{
    const DeviceEntry &e = editImage.deviceTable[static_cast<size_t>(r)];
    const DeviceTable &table = editImage.deviceTable;
    const bool hostRow = r == editImage.hostId;
    wchar_t name[kNameRoom + 1];
    DeviceName(r, name);
    wchar_t *p = textBuffer;
    p += wsprintfW(p, L"%02d - ", r);
    p += wsprintfW(p, L"%s\t", name);

    auto mixed = [&](bool uniform) {
        if (hostRow && !uniform) {
            p += Word(p, L"%s\t", IDS_MIXED);
            return true;
        }
        return false;
    };
    if (!mixed(IsSyncUniform(table)))
        p += RateColumn(p, e);
    if (!mixed(IsWidthUniform(table)))
        p += WidthColumn(p, e);
    if (!mixed(IsFlagUniform(table, kDeviceOption0)))
        p += Word(p, L"%s\t", (e.deviceFlags & kDeviceOption0) ? IDS_WORD_ON : IDS_WORD_OFF);
    if (!mixed(IsValueUniform(table)))
        p += wsprintfW(p, L"%d\t", e.deviceValue.get());
    if (!mixed(IsFlagUniform(table, kDeviceOption1)))
        p += Word(p, L"%s\t", (e.deviceFlags & kDeviceOption1) ? IDS_WORD_YES : IDS_WORD_NO);
    if (!mixed(IsFlagUniform(table, kDeviceOption2)))
        p += Word(p, L"%s\t", (e.deviceFlags & kDeviceOption2) ? IDS_WORD_YES : IDS_WORD_NO);
    if (hostRow && !IsFlagUniform(table, kDeviceOption3)) {
        int n = 0;
        for (int i = 0; i < 3; ++i)
            n += LoadText(IDS_MIXED, stringBuffer + n, kStringRoom - n);
        wsprintfW(p, L"%s", stringBuffer);
    } else {
        Word(p, L"%s", (e.deviceFlags & kDeviceOption3) ? IDS_WORD_ENABLED : IDS_WORD_DISABLED);
    }
}

void Paint(HWND dialog)
{
    GetClientRect(dialog, &clientRect);
    HWND list = GetDlgItem(dialog, IDC_DEVICE_TABLE_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    PAINTSTRUCT paint;
    BeginPaint(dialog, &paint);
    HDC dc = GetDC(dialog);  // the whole client area: the header is redrawn at every paint
    HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
    MeasureDialogFont(dc);
    const COLORREF oldBack = SetBkColor(dc, kTableHeaderBand);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HFONT font = CreatePointFont(dc, kHeaderFace, 80, 0, 0, 1);
    wchar_t lines[2][256];
    const int lengths[2] = {LoadText(IDS_TABLE_HEADER1, lines[0], 256), LoadText(IDS_TABLE_HEADER2, lines[1], 256)};
    const HeaderPlace place = PlaceHeader(dc, font, lines, lengths);
    SelectObject(dc, font);
    TextOutW(dc, place.left, lineHeight, lines[0], lengths[0]);
    TextOutW(dc, place.left, 2 * lineHeight, lines[1], lengths[1]);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SetBkColor(dc, oldBack);
    SetBkMode(dc, oldMode);
    // The list reads tab stops in dialog units.
    const int *set = currentLcid == 1049 || currentLcid == 1036 || currentLcid == 1040 ? kStops1049
                     : currentLcid == 1034                        ? kStops1034
                                                                  : kStopsOther;
    INT stops[10];
    ColumnStops(dialog, dc, place, set, stops);
    ReleaseDC(dialog, dc);

    for (int r = 0; r < kScsiIds; ++r) {
        ComposeRow(r);
        SendMessageW(list, LB_SETTABSTOPS, 10, reinterpret_cast<LPARAM>(stops));
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(textBuffer));
    }
    EndPaint(dialog, &paint);
    SetFocus(list);
}

// Copies each field changed on the host's row into all 16 entries.
void Propagate()
{
    DeviceTable &table = editImage.deviceTable;
    const DeviceEntry host = table[static_cast<size_t>(currentDevice)];
    auto bit = [&](int &flag, std::uint8_t mask) {
        if (!flag)
            return;
        for (DeviceEntry &e : table)
            e.deviceFlags = static_cast<std::uint8_t>((e.deviceFlags & ~mask) | (host.deviceFlags & mask));
        flag = 0;
    };
    if (rateChanged) {
        for (DeviceEntry &e : table)
            e.syncCode = host.syncCode;
        rateChanged = 0;
    }
    if (widthChanged) {
        for (DeviceEntry &e : table)
            e.busWidth = host.busWidth;
        widthChanged = 0;
    }
    bit(option0Changed, kDeviceOption0);
    if (valueChanged) {
        for (DeviceEntry &e : table)
            e.deviceValue = host.deviceValue;
        valueChanged = 0;
    }
    bit(option1Changed, kDeviceOption1);
    bit(option2Changed, kDeviceOption2);
    bit(option3Changed, kDeviceOption3);
}

INT_PTR OpenRow(HWND dialog)
{
    const AdapterRecord &record = workingRecords[currentAdapter];
    if (record.image.adapterFlags.get() & kDefaultsSubstituted) {
        ShowWarning(dialog, IDS_DEFAULTS_IN_PLACE);
        return TRUE;
    }
    const LRESULT row = SendDlgItemMessageW(dialog, IDC_DEVICE_TABLE_LIST, LB_GETCURSEL, 0, 0);
    if (row < 0 || row >= kScsiIds)
        return TRUE;
    currentDevice = static_cast<int>(row);
    const UINT templateId = currentDevice == record.image.hostId ? IDD_DEVICE_HOST : IDD_DEVICE;
    // A device dialog that could not be opened changed nothing: there is nothing to copy.
    const INT_PTR opened = DialogBoxParamW(languageModule, MAKEINTRESOURCEW(templateId), dialog, DeviceDlgProc, 0);
    if (opened != -1 && currentDevice == editImage.hostId)
        Propagate();
    PostMessageW(dialog, WM_PAINT, 0, 0);
    return TRUE;
}

INT_PTR Command(HWND dialog, WPARAM wParam)
{
    HWND list = GetDlgItem(dialog, IDC_DEVICE_TABLE_LIST);
    if (ActsOnRow(wParam, list, IDC_DEVICE_TABLE_LIST))
        return OpenRow(dialog);
    if (KeepsSelection(wParam, list, IDC_DEVICE_TABLE_LIST))
        return TRUE;
    switch (LOWORD(wParam)) {
    case IDOK: {
        workingRecords[currentAdapter].image = editImage;
        RECT area = {0, 0, clientRect.right - clientRect.left, clientRect.bottom - clientRect.top};
        InvalidateRect(mainWindow, &area, TRUE);
        PostMessageW(mainWindow, WM_PAINT, 0, 0);
        EndDialog(dialog, 1);
        return TRUE;
    }
    case IDCANCEL:
        workingRecords[currentAdapter].modified = tableModifiedAtOpen;
        EndDialog(dialog, 0);
        return TRUE;
    case IDM_HELP:
        ShowWarning(dialog, IDS_TABLE_HELP);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK DeviceTableDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        GetClientRect(dialog, &clientRect);
        editImage = workingRecords[currentAdapter].image;
        tableModifiedAtOpen = workingRecords[currentAdapter].modified;
        return TRUE;
    case WM_PAINT:
        Paint(dialog);
        return TRUE;
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(dialog, IDC_DEVICE_TABLE_LIST));
        return TRUE;
    case WM_KEYDOWN:
        return TRUE;
    case WM_COMMAND:
        return Command(dialog, wParam);
    default:
        return FALSE;
    }
}
