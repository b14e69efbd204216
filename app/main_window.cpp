#include "app/main_window.h"

#include <cstddef>
#include <locale.h>

#include "app/message_box.h"
#include "app/settings_files.h"
#include "app/shell.h"
#include "app/texts.h"
#include "dialogs/dialogs.h"
#include "ktr_version.h"
#include "discovery/device_map.h"
#include "language/language_selection.h"
#include "language/module_contract.h"
#include "language/module_file.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "store/adapters.h"
#include "store/chip_table.h"
#include "store/settings_transport.h"

HBRUSH backdropBrush;
LCID savedThreadLocale;
int mainCharWidth;
int mainLineHeight;
HWND saveButton;
HWND exitButton;
HWND adapterList;

namespace {

constexpr COLORREF kBackdropText = 0xC0C0C0;
constexpr COLORREF kBackdropBand = 0x733401;
const wchar_t kVersionText[] = KTR_VERSION_BOX;

// The old, shorter form of the menu item record, without its bitmap field.
constexpr UINT kMenuItemInfoSize = offsetof(MENUITEMINFOW, hbmpItem);
#ifndef _WIN64
static_assert(kMenuItemInfoSize == 44, "the 44-byte menu item record");
#endif

void MeasureFixedFont(HDC dc)
{
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    mainCharWidth = metrics.tmAveCharWidth;
    mainLineHeight = metrics.tmHeight + metrics.tmExternalLeading;
}

void ComposeListLine(int i)
{
    wchar_t *p = textBuffer;
    const AdapterRecord &working = workingRecords[i];
    if (working.chipType == 0) {
        LoadText(IDS_CHIP_UNKNOWN, stringBuffer);
        p += wsprintfW(p, L"%s\t", stringBuffer);
    } else {
        p += wsprintfW(p, L"%s\t", ChipName(working.chipType));
    }
    p += wsprintfW(p, L"%04X\t", portIoAddress[i]);
    if (portInterrupt[i] == kNoInterrupt) {
        LoadText(IDS_NOT_AVAILABLE, stringBuffer);
        p += wsprintfW(p, L"%s", stringBuffer);
    } else {
        p += wsprintfW(p, L"%02d", portInterrupt[i]);
    }
    p += wsprintfW(p, L"\t");
    const UINT state = AdapterUnread(i) ? IDS_STATE_UNREAD : AdapterDefaulted(i) ? IDS_WORD_NO : IDS_WORD_YES;
    LoadText(state, stringBuffer);
    wsprintfW(p, L"%s", stringBuffer);
}

void Paint(HWND window)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    HDC dc = GetDC(window);
    SendMessageW(adapterList, LB_RESETCONTENT, 0, 0);
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
    MeasureFixedFont(dc);
    const int a = mainCharWidth, L = mainLineHeight;

    COLORREF oldText = SetTextColor(dc, kBackdropText);
    COLORREF oldBack = SetBkColor(dc, kBackdropBand);
    const bool compact = 17 * L + 6 * L / 4 < 315;
    const int row1 = compact ? 4 * L : 5 * L / 2, row2 = compact ? 5 * L : 7 * L / 2;
    struct {
        UINT id;
        int x, y;
    } texts[] = {{IDS_BACKDROP_RIGHT1, 23 * a, row1},
                 {IDS_BACKDROP_LEFT1, 5 * a, row1},
                 {IDS_BACKDROP_RIGHT2, 23 * a, row2},
                 {IDS_BACKDROP_LEFT2, 5 * a, row2}};
    for (const auto &t : texts) {
        int length = LoadText(t.id, stringBuffer);
        TextOutW(dc, t.x, t.y, stringBuffer, length);
    }
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    SelectObject(dc, oldFont);

    INT stops[3] = {10 * a, 15 * a, 20 * a};
    for (int i = 0; i < adapterCount; ++i) {
        ComposeListLine(i);
        SendMessageW(adapterList, LB_SETTABSTOPS, 3, reinterpret_cast<LPARAM>(stops));
        SendMessageW(adapterList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(textBuffer));
    }
    ReleaseDC(window, dc);
    EndPaint(window, &paint);
}

// The steps that every ending command takes before the window goes.
void ReleaseForEnd()
{
    FreeDeviceMaps();
    SetThreadLocale(savedThreadLocale);
    if (backdropBrush) {
        DeleteObject(backdropBrush);
        backdropBrush = nullptr;
    }
}

void ShowJoined(HWND owner, UINT first, const wchar_t *middle, UINT second, UINT icon)
{
    int n = LoadText(first, textBuffer, kTextRoom);
    n += wsprintfW(textBuffer + n, L"%s", middle);
    LoadText(second, textBuffer + n, kTextRoom - n);
    MessageBoxW(owner, textBuffer, windowCaption, MB_OK | icon);
}

// The language last applied, to fall back on when another cannot be loaded.
struct AppliedLanguage {
    wchar_t moduleName[16];
    DWORD lcid;
    wchar_t locale[32];
} applied;

// Language selection and reload. A module that cannot be loaded leaves the
// current language in place, with the locale that belongs to it.
void ChangeLanguage(HWND window)
{
    languageCount = 0;
    DialogBoxParamW(languageModule, MAKEINTRESOURCEW(IDD_LANGUAGE), window, LanguageDlgProc, 0);
    SetThreadLocale(currentLcid);
    _wsetlocale(LC_ALL, localeName);
    const bool same = lstrcmpiW(languageModuleName, applied.moduleName) == 0;
    HMODULE module = same ? languageModule : LoadLanguageModule(languageModuleName);
    if (module && !HoldsEveryResource(module)) {
        if (module != languageModule)
            FreeLibrary(module);
        module = nullptr;
    }
    if (module) {
        // Each load maps the file anew: the module replaced is let go.
        if (module != languageModule && languageModule)
            FreeLibrary(languageModule);
        languageModule = module;
        RememberAppliedLanguage();
    } else {
        lstrcpynW(languageModuleName, applied.moduleName, 16);
        lstrcpynW(localeName, applied.locale, 32);
        currentLcid = applied.lcid;
        SetThreadLocale(currentLcid);
        _wsetlocale(LC_ALL, localeName);
    }
    LoadText(IDS_CAPTION, windowCaption, kCaptionRoom);
    HMENU menu = LoadMenuW(languageModule, MAKEINTRESOURCEW(IDM_MAIN));
    UpdateWindow(window);
    HMENU old = GetMenu(window);
    SetMenu(window, menu);
    if (old)
        DestroyMenu(old);
    BuildAdapterMenus(window);
    CreateMainControls(window, &adapterList, mainCharWidth, mainLineHeight);
}

void Save(HWND window, bool thenEnd)
{
    std::uint32_t changedElsewhere = 0;
    const std::uint32_t unwritten = SaveAllAdapterSettings(&changedElsewhere);
    if (changedElsewhere)
        InvalidateRect(window, nullptr, TRUE);  // the list shows what the adapters hold now
    if (ReportUnwritten(window, unwritten, changedElsewhere)) {
        PostMessageW(window, WM_PAINT, 0, 0);
        return;
    }
    if (thenEnd)
        ReleaseForEnd();
    ShowStringBox(window, IDS_SAVED, MB_ICONINFORMATION);
    if (thenEnd)
        DestroyWindow(window);
}

LRESULT Command(HWND window, WPARAM wParam)
{
    if (HIWORD(wParam) != 0)
        return 1;
    const int id = LOWORD(wParam);
    switch (id) {
    case 0:
        Save(window, true);
        return 0;
    case 1:
        ReleaseForEnd();
        DestroyWindow(window);
        return 0;
    case IDM_EXIT:
        ReleaseForEnd();
        SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    case IDM_INFORMATION:
        ShowJoined(window, IDS_INFO_HEAD, L"", IDS_INFO_TAIL, MB_ICONQUESTION);
        break;
    case IDM_VERSION:
        ShowJoined(window, IDS_VERSION_HEAD, kVersionText, IDS_VERSION_TAIL, MB_ICONINFORMATION);
        break;
    case IDM_SAVE:
        Save(window, false);
        break;
    case IDM_LANGUAGE:
        ChangeLanguage(window);
        break;
    case IDM_BACKUP:
        BackUpSettings(window);
        break;
    case IDM_RESTORE:
        RestoreSettings(window);
        break;
    default:
        if (id >= IDM_ADAPTER_BASE && id < IDM_ADAPTER_BASE + adapterCount) {
            currentAdapter = id - IDM_ADAPTER_BASE;
            DialogBoxParamW(languageModule, MAKEINTRESOURCEW(IDD_ADAPTER), window, AdapterDlgProc, 0);
        }
        else if (id >= IDM_DEVICE_TABLE_BASE && id < IDM_DEVICE_TABLE_BASE + adapterCount) {
            currentAdapter = id - IDM_DEVICE_TABLE_BASE;
            DialogBoxParamW(languageModule, MAKEINTRESOURCEW(IDD_DEVICE_TABLE), window, DeviceTableDlgProc, 0);
        }
        break;
    }
    PostMessageW(window, WM_PAINT, 0, 0);
    return 0;
}

LRESULT Create(HWND window)
{
    mainWindow = window;
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
    MeasureFixedFont(dc);
    SelectObject(dc, old);
    ReleaseDC(window, dc);

    if (!LoadAdapters()) {
        ShowWarning(window, IDS_NOTHING_TO_SET);
        return 0;
    }
    BuildAdapterMenus(window);
    CreateMainControls(window, &adapterList, mainCharWidth, mainLineHeight);
    return 0;
}

}  // namespace

void RememberAppliedLanguage()
{
    lstrcpynW(applied.moduleName, languageModuleName, 16);
    applied.lcid = currentLcid;
    lstrcpynW(applied.locale, localeName, 32);
}

bool ReportUnwritten(HWND owner, std::uint32_t unwritten, std::uint32_t changedElsewhere)
{
    for (int i = 0; i < adapterCount && i < kMaxAdapters; ++i) {
        if (!(unwritten & (1u << i)))
            continue;
        const bool changed = changedElsewhere & (1u << i);
        LoadText(changed ? IDS_WRITE_CONFLICT : IDS_WRITE_FAILED, stringBuffer);
        const AdapterRecord &r = workingRecords[i];
        wchar_t name[80];
        if (r.chipType == 0)
            LoadText(IDS_CHIP_UNKNOWN, name, 80);
        else
            lstrcpynW(name, ChipName(r.chipType), 80);
        wsprintfW(textBuffer, stringBuffer, AdapterPort(i), name);
        MessageBoxW(owner, textBuffer, windowCaption, MB_OK | MB_ICONWARNING);
    }
    return unwritten != 0;
}

MainLayout LayOutMainControls(int charWidth, int lineHeight)
{
    const int a = charWidth, y = lineHeight;
    MainLayout layout;
    layout.buttonHeight = 6 * y / 4;
    const bool compact = 17 * y + layout.buttonHeight < 315;
    layout.buttonTop = compact ? 17 * y : 350 - 5 * y;
    layout.listTop = compact ? 7 * y : 21 * y / 4;
    layout.listHeight = compact ? 35 * y / 4 : 350 - 6 * y - 21 * y / 4;
    layout.right = 5 * a + 47 * a;  // the list reaches past the buttons (30a + 11a)
    const int buttonsEnd = layout.buttonTop + layout.buttonHeight, listEnd = layout.listTop + layout.listHeight;
    layout.bottom = buttonsEnd > listEnd ? buttonsEnd : listEnd;
    return layout;
}

void FitMainWindow(HWND window)
{
    // The 450 by 350 pixels of the window were made for a fixed font of 8 by
    // 16 pixels; the margins that its client area leaves around the controls
    // then are kept, and a larger font widens or lengthens the window by what
    // its controls need beyond that.
    const MainLayout now = LayOutMainControls(mainCharWidth, mainLineHeight);
    const MainLayout made = LayOutMainControls(8, 16);
    RECT client;
    GetClientRect(window, &client);
    const int marginX = client.right > made.right ? client.right - made.right : 0;
    const int marginY = client.bottom > made.bottom ? client.bottom - made.bottom : 0;
    const int growX = now.right + marginX - client.right, growY = now.bottom + marginY - client.bottom;
    if (growX <= 0 && growY <= 0)
        return;
    RECT frame;
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + (growX > 0 ? growX : 0),
                 frame.bottom - frame.top + (growY > 0 ? growY : 0), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CreateMainControls(HWND parent, HWND *list, int charWidth, int lineHeight)
{
    const int a = charWidth;
    const MainLayout layout = LayOutMainControls(charWidth, lineHeight);

    if (saveButton)
        DestroyWindow(saveButton);
    LoadText(IDS_SAVE_BUTTON, stringBuffer);
    saveButton = CreateWindowExW(0, L"button", stringBuffer, 0x50002300, 17 * a, layout.buttonTop, 11 * a,
                                 layout.buttonHeight, parent, reinterpret_cast<HMENU>(0), programInstance, nullptr);
    if (exitButton)
        DestroyWindow(exitButton);
    LoadText(IDS_EXIT_BUTTON, stringBuffer);
    exitButton = CreateWindowExW(0, L"button", stringBuffer, 0x50002300, 30 * a, layout.buttonTop, 11 * a,
                                 layout.buttonHeight, parent, reinterpret_cast<HMENU>(1), programInstance, nullptr);
    if (*list)
        DestroyWindow(*list);
    *list = CreateWindowExW(0, L"listbox", L"", 0x50A041C0, 5 * a, layout.listTop, 47 * a, layout.listHeight, parent,
                            reinterpret_cast<HMENU>(2), programInstance, nullptr);
}

int BuildAdapterMenus(HWND window)
{
    HMENU settings = GetSubMenu(GetMenu(window), 1);
    HMENU submenus[2] = {GetSubMenu(settings, 3), GetSubMenu(settings, 4)};
    const UINT bases[2] = {IDM_ADAPTER_BASE, IDM_DEVICE_TABLE_BASE};
    if (adapterCount == 0)
        return 1;
    for (int s = 0; s < 2; ++s) {
        if (!submenus[s])
            continue;
        wchar_t empty[1] = {0};
        MENUITEMINFOW item = {};
        item.cbSize = kMenuItemInfoSize;
        item.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE | MIIM_DATA;
        item.dwTypeData = empty;
        item.cch = 0;
        GetMenuItemInfoW(submenus[s], 0, TRUE, &item);
        item.fType = (item.fType & ~(MFT_BITMAP | MFT_SEPARATOR | MFT_OWNERDRAW)) | MFT_STRING;
        for (int k = 0; k < adapterCount; ++k) {
            wchar_t unknown[120];
            item.wID = bases[s] + static_cast<UINT>(k);
            if (workingRecords[k].chipType == 0) {
                LoadText(IDS_CHIP_UNKNOWN, unknown, 120);
                item.dwTypeData = unknown;
                item.fState |= MFS_GRAYED;
            } else {
                item.dwTypeData = const_cast<wchar_t *>(ChipName(workingRecords[k].chipType));
                item.fState &= ~static_cast<UINT>(MFS_GRAYED);
            }
            item.cch = static_cast<UINT>(lstrlenW(item.dwTypeData));
            if (k == 0)
                SetMenuItemInfoW(submenus[s], 0, TRUE, &item);
            else
                InsertMenuItemW(submenus[s], static_cast<UINT>(k), TRUE, &item);
        }
    }
    return 1;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return Create(window);
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_COMMAND:
        return Command(window, wParam);
    case WM_DESTROY:
        FreeDeviceMaps();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
