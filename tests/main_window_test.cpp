// The main window as the program creates it: start-up against emulator
// benches, the adapter list, the submenus, the layout, every command and the
// ending paths.
#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <locale.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "app/main_window.h"
#include "app/program.h"
#include "app/settings_files.h"
#include "app/shell.h"
#include "discovery/device_map.h"
#include "emulator/bench_format.h"
#include "ktr_version.h"
#include "language/language_selection.h"
#include "language/resource_ids.h"
#include "settings_file/history_folder.h"
#include "settings_file/settings_file.h"
#include "store/adapter_record.h"
#include "store/adapters.h"
#include "tests/emulator_support.h"
#include "tests/event_capture.h"
#include "tests/modal_script.h"
#include "tests/program_support.h"

namespace {

bool quitSeen;

void Pump()
{
    MSG message;
    for (int round = 0; round < 50; ++round) {
        bool any = false;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            if (message.message == WM_QUIT) {
                quitSeen = true;
                return;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!any)
            return;
    }
}

bool QuitPosted()
{
    MSG message;
    bool seen = quitSeen || PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    quitSeen = false;
    return seen;
}

int ChildrenOfClass(HWND parent, const wchar_t *cls)
{
    int n = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[32];
        GetClassNameW(child, name, 32);
        n += lstrcmpiW(name, cls) == 0;
    }
    return n;
}

RECT ClientRectOf(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT *>(&r), 2);
    return r;
}

class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        saveButton = exitButton = adapterList = nullptr;
        SetThreadLocale(1031);  // what the user had before the program started
    }
    void TearDown() override
    {
        if (window && IsWindow(window))
            DestroyWindow(window);
        Pump();
        UnregisterClassW(windowCaption, GetModuleHandleW(nullptr));
        ResetProgramState();
    }
    // Installs the bench and starts the program in this process; false when it could not.
    bool Start(const std::string &bench)
    {
        std::string error = InstallTestBench(bench);
        EXPECT_EQ(error, "");
        if (!error.empty() || !StartProgram(GetModuleHandleW(nullptr)))
            return false;
        window = CreateMainWindow();
        EXPECT_NE(window, nullptr);
        Paint();
        return window != nullptr;
    }
    void Paint()
    {
        PostMessageW(window, WM_PAINT, 0, 0);
        Pump();
    }
    void Command(UINT id)
    {
        SendMessageW(window, WM_COMMAND, id, 0);
        Pump();
    }
    std::wstring Line(const std::wstring &chip, int io, const std::wstring &irq, const std::wstring &state)
    {
        wchar_t line[256];
        wchar_t *p = line;
        p += wsprintfW(p, L"%s\t", chip.c_str());
        p += wsprintfW(p, L"%04X\t", io);
        p += wsprintfW(p, L"%s\t%s", irq.c_str(), state.c_str());
        return line;
    }
    // The language dialog that command 40029 opens is left with Cancel.
    void ChangeLanguage(ModalScript::Step whileOpen = nullptr)
    {
        script.Then([whileOpen](HWND dialog) {
            if (whileOpen)
                whileOpen(dialog);
            PressButton(dialog, IDCANCEL);
        });
        Command(IDM_LANGUAGE);
    }
    ModalScript script;
    MessageBoxWatcher boxes;
    HWND window = nullptr;
};

const char kTwoAdapters[] =
    "port 1 driver ktrscsi irq 5 io 0x3F0\n  adapter chip 3 status 0x0310\n"
    "port 2 key \"Scsi Port 02\" driver ktrwide irq 10 io 0x6800\n  adapter chip 13\n";

}  // namespace

TEST_F(MainWindow, ListsEachAdapterWithChipAddressInterruptAndState)
{
    ASSERT_TRUE(Start(kTwoAdapters));
    ASSERT_TRUE(boxes.boxes.empty());
    ASSERT_EQ(adapterCount, 2);
    const int first = deviceMaps[0]->portNumber == 1 ? 0 : 1;
    std::vector<std::wstring> lines = ListLines(adapterList);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[static_cast<size_t>(first)],
              Line(ModuleText(IDS_CHIP_UNKNOWN), 0x3F0, L"05", ModuleText(IDS_STATE_UNREAD)));
    EXPECT_EQ(lines[static_cast<size_t>(1 - first)],
              Line(L"KTR-A0130", 0, ModuleText(IDS_NOT_AVAILABLE), ModuleText(IDS_WORD_YES)))
        << "a port key that cannot be opened by its number shows no interrupt";

    // The adapter without a usable image is greyed in both submenus.
    HMENU settings = GetSubMenu(GetMenu(window), 1);
    for (int s = 0; s < 2; ++s) {
        HMENU sub = GetSubMenu(settings, 3 + s);
        const UINT base = s ? IDM_DEVICE_TABLE_BASE : IDM_ADAPTER_BASE;
        ASSERT_EQ(GetMenuItemCount(sub), 2);
        for (int k = 0; k < 2; ++k) {
            EXPECT_EQ(GetMenuItemID(sub, k), base + static_cast<UINT>(k));
            wchar_t text[64];
            GetMenuStringW(sub, static_cast<UINT>(k), text, 64, MF_BYPOSITION);
            const bool unknown = k == first;
            EXPECT_EQ(std::wstring(text), unknown ? ModuleText(IDS_CHIP_UNKNOWN) : L"KTR-A0130");
            EXPECT_EQ((GetMenuState(sub, static_cast<UINT>(k), MF_BYPOSITION) & MF_GRAYED) != 0, unknown);
        }
    }
}

TEST_F(MainWindow, StateColumnReadsTheSavedRecord)
{
    ASSERT_TRUE(Start("port 1 driver ktrscsi\n  adapter chip 6 status 0x0601\n"));
    EXPECT_EQ(ListLines(adapterList)[0].substr(ListLines(adapterList)[0].rfind(L'\t') + 1), ModuleText(IDS_WORD_NO));
    workingRecords[0].image.adapterFlags.set(0x0007);  // what Defaults and OK leave
    workingRecords[0].modified = 1;
    Paint();
    EXPECT_EQ(ListLines(adapterList)[0].substr(ListLines(adapterList)[0].rfind(L'\t') + 1), ModuleText(IDS_WORD_NO));
    std::string error;
    ASSERT_TRUE(SetPortFaults(1, 0x08, error));
    Command(IDM_SAVE);
    EXPECT_EQ(ListLines(adapterList)[0].substr(ListLines(adapterList)[0].rfind(L'\t') + 1), ModuleText(IDS_WORD_NO))
        << "a failed write leaves the stored settings as they were";
    ASSERT_TRUE(SetPortFaults(1, 0, error));
    Command(IDM_SAVE);
    EXPECT_EQ(ListLines(adapterList)[0].substr(ListLines(adapterList)[0].rfind(L'\t') + 1), ModuleText(IDS_WORD_YES));
}

TEST_F(MainWindow, WithoutAdaptersOpensWithoutButtonsAndList)
{
    ASSERT_TRUE(Start("port 0 driver atapi\n"));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, ModuleText(IDS_NO_ADAPTER));
    EXPECT_EQ(boxes.boxes[0].owner, window);
    EXPECT_EQ(boxes.boxes[1].text, ModuleText(IDS_NOTHING_TO_SET));
    EXPECT_EQ(boxes.boxes[1].owner, window);
    EXPECT_EQ(ChildrenOfClass(window, L"Button"), 0);
    EXPECT_EQ(ChildrenOfClass(window, L"ListBox"), 0);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(GetSubMenu(GetMenu(window), 1), 3)), 1);
    ChangeLanguage();
    EXPECT_EQ(ChildrenOfClass(window, L"Button"), 2);
    ASSERT_EQ(ChildrenOfClass(window, L"ListBox"), 1);
    EXPECT_EQ(SendMessageW(adapterList, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(MainWindow, ControlsFollowTheMeasuredFont)
{
    ASSERT_TRUE(Start(kTwoAdapters));
    const int a = mainCharWidth, y = mainLineHeight, h = 6 * y / 4;
    ASSERT_GT(a, 0);
    const bool compact = 17 * y + h < 315;
    RECT save = ClientRectOf(saveButton), exit = ClientRectOf(exitButton), list = ClientRectOf(adapterList);
    EXPECT_EQ(save.left, 17 * a);
    EXPECT_EQ(exit.left, 30 * a);
    EXPECT_EQ(save.top, compact ? 17 * y : 350 - 5 * y);
    EXPECT_EQ(save.bottom - save.top, h);
    EXPECT_EQ(list.left, 5 * a);
    EXPECT_EQ(list.right - list.left, 47 * a);
    EXPECT_EQ(list.top, compact ? 7 * y : 21 * y / 4);

    // The worked values: compact at 16 and 17 pixels a line, not at 18.
    struct Case { int y, buttonTop, buttonHeight, listTop, listHeight; };
    for (Case c : {Case{16, 272, 24, 112, 140}, Case{17, 289, 25, 119, 148}, Case{18, 260, 27, 94, 148}}) {
        CreateMainControls(window, &adapterList, 8, c.y);
        save = ClientRectOf(saveButton);
        exit = ClientRectOf(exitButton);
        list = ClientRectOf(adapterList);
        EXPECT_EQ(save.top, c.buttonTop) << c.y;
        EXPECT_EQ(save.bottom - save.top, c.buttonHeight) << c.y;
        EXPECT_EQ(save.left, 136);
        EXPECT_EQ(exit.left, 240);
        EXPECT_EQ(save.right - save.left, 88);
        EXPECT_EQ(list.top, c.listTop) << c.y;
        EXPECT_EQ(list.bottom - list.top, c.listHeight) << c.y;
        EXPECT_EQ(list.left, 40);
        EXPECT_EQ(list.right - list.left, 376);
        EXPECT_EQ(GetDlgCtrlID(saveButton), 0);
        EXPECT_EQ(GetDlgCtrlID(exitButton), 1);
        EXPECT_EQ(GetDlgCtrlID(adapterList), 2);
    }
    // The list shows its scroll bar only when it needs one.
    EXPECT_EQ(GetWindowLongW(adapterList, GWL_STYLE) | WS_VSCROLL, 0x50A041C0);
    EXPECT_EQ(GetWindowLongW(saveButton, GWL_STYLE) & 0xFFFFFFFF, 0x50002300);
}

TEST_F(MainWindow, EveryControlLiesInsideTheWindowAtTheDisplaysResolution)
{
    ASSERT_TRUE(Start(kTwoAdapters));
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT client, frame;
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    std::printf("at %d dots per inch: font %d by %d, window %ld by %ld, client %ld by %ld\n", dpi, mainCharWidth,
                mainLineHeight, frame.right - frame.left, frame.bottom - frame.top, client.right, client.bottom);
    for (HWND control : {adapterList, saveButton, exitButton}) {
        const RECT r = ClientRectOf(control);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
            << "control " << GetDlgCtrlID(control) << " at " << r.left << "," << r.top << " to " << r.right << ","
            << r.bottom;
    }
    if (dpi == 96) {
        EXPECT_EQ(frame.right - frame.left, 450);
        EXPECT_EQ(frame.bottom - frame.top, 350);
    }
}

TEST_F(MainWindow, InformationVersionAndTheQuietCommands)
{
    ASSERT_TRUE(Start(kTwoAdapters));
    Command(IDM_INFORMATION);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, ModuleText(IDS_INFO_HEAD) + ModuleText(IDS_INFO_TAIL));
    EXPECT_EQ(boxes.boxes[0].icon, LoadIconW(nullptr, IDI_QUESTION));
    EXPECT_EQ(boxes.boxes[0].caption, ModuleText(IDS_CAPTION));
    Command(IDM_VERSION);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, ModuleText(IDS_VERSION_HEAD) + L"1.04.00        " + ModuleText(IDS_VERSION_TAIL));
    EXPECT_EQ(boxes.boxes[1].icon, LoadIconW(nullptr, IDI_INFORMATION));

    currentAdapter = 1;
    for (UINT id : {static_cast<UINT>(IDM_NOTHING1), static_cast<UINT>(IDM_NOTHING2), static_cast<UINT>(IDM_ADAPTER_BASE + adapterCount),
                    static_cast<UINT>(IDM_DEVICE_TABLE_BASE + adapterCount), 12345u}) {
        SendMessageW(adapterList, LB_RESETCONTENT, 0, 0);
        EXPECT_EQ(SendMessageW(window, WM_COMMAND, id, 0), 0);
        Pump();
        EXPECT_EQ(ListLines(adapterList).size(), 2u) << "command " << id << " repaints";
    }
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_INFORMATION, 1), 0), 1) << "notifications are ignored";
    Pump();
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(currentAdapter, 1);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(MainWindow, SaveCommandWritesTheModifiedAdaptersAndStaysOpen)
{
    ASSERT_TRUE(Start(kTwoAdapters));
    const int wide = deviceMaps[0]->portNumber == 2 ? 0 : 1;
    workingRecords[wide].modified = 1;
    workingRecords[wide].image.hostId = 3;
    Command(IDM_SAVE);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, ModuleText(IDS_SAVED));
    EXPECT_EQ(ReadPortCounts(2).writes, 1u);
    EXPECT_EQ(ReadPortCounts(1).writes, 0u);
    EXPECT_TRUE(IsWindow(window));
    std::vector<std::uint8_t> stored;
    ASSERT_TRUE(ReadStoredImage(2, stored));
    EXPECT_EQ(stored[14], 3);
}

TEST_F(MainWindow, SaveButtonSavesConfirmsAndEnds)
{
    ASSERT_TRUE(Start(kTwoAdapters));
    const int wide = deviceMaps[0]->portNumber == 2 ? 0 : 1;
    workingRecords[wide].modified = 1;
    SendMessageW(saveButton, BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(ReadPortCounts(2).writes, 1u);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, ModuleText(IDS_SAVED));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(GetThreadLocale(), 1031u) << "the user's thread locale is back";
    EXPECT_EQ(backdropBrush, nullptr);
    for (DeviceMapEntry *entry : deviceMaps)
        EXPECT_EQ(entry, nullptr);
}

TEST_F(MainWindow, AFailedWriteWarnsAndKeepsTheProgramOpen)
{
    // The box names the adapter by its port, whatever its place in the list.
    ASSERT_TRUE(Start(std::string(kTwoAdapters) + "port 4 driver ktrwide\n  adapter chip 13\n"));
    workingRecords[AdapterAtPort(4)].modified = 1;
    std::string error;
    ASSERT_TRUE(SetPortFaults(4, 0x08, error));
    SendMessageW(saveButton, BM_CLICK, 0, 0);
    Pump();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    wchar_t expected[256];
    wsprintfW(expected, ModuleText(IDS_WRITE_FAILED).c_str(), 4, L"KTR-A0130");
    EXPECT_EQ(boxes.boxes[0].text, expected);
    EXPECT_EQ(boxes.boxes[0].icon, LoadIconW(nullptr, IDI_WARNING));
    EXPECT_TRUE(IsWindow(window)) << "no edit is lost without the user knowing";
    EXPECT_EQ(GetThreadLocale(), 1033u);

    Command(IDM_SAVE);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, expected) << "the menu's save warns the same way";

    ASSERT_TRUE(SetPortFaults(4, 0, error));
    SendMessageW(saveButton, BM_CLICK, 0, 0);
    Pump();
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[2].text, ModuleText(IDS_SAVED));
    EXPECT_EQ(ReadPortCounts(4).writes, 1u);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(MainWindow, ExitButtonAndMenuExitEndWithoutSaving)
{
    for (bool button : {true, false}) {
        ASSERT_TRUE(Start(kTwoAdapters));
        workingRecords[0].modified = workingRecords[1].modified = 1;
        if (button)
            SendMessageW(exitButton, BM_CLICK, 0, 0);
        else
            Command(IDM_EXIT);
        Pump();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_TRUE(QuitPosted());
        EXPECT_TRUE(boxes.boxes.empty());
        EXPECT_EQ(ReadPortCounts(1).writes + ReadPortCounts(2).writes, 0u);
        EXPECT_EQ(GetThreadLocale(), 1031u);
        EXPECT_EQ(backdropBrush, nullptr);
        UnregisterClassW(windowCaption, GetModuleHandleW(nullptr));
        ResetProgramState();
        SetThreadLocale(1031);
    }
}

TEST_F(MainWindow, CloseBoxNeitherSavesNorRestoresTheLocale)
{
    ASSERT_TRUE(Start(kTwoAdapters));
    workingRecords[0].modified = workingRecords[1].modified = 1;
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(QuitPosted());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(ReadPortCounts(1).writes + ReadPortCounts(2).writes, 0u);
    EXPECT_EQ(GetThreadLocale(), 1033u);
    for (DeviceMapEntry *entry : deviceMaps)
        EXPECT_EQ(entry, nullptr) << "the device map records are released all the same";
}

TEST_F(MainWindow, LanguageChangesRebuildMenusAndControlsOnce)
{
    ASSERT_TRUE(Start(kTwoAdapters));
    HMENU before = GetMenu(window);
    for (int i = 0; i < 25; ++i)
        ChangeLanguage();
    EXPECT_FALSE(IsMenu(before)) << "the replaced menu bar is destroyed";
    EXPECT_EQ(ChildrenOfClass(window, L"Button"), 2);
    EXPECT_EQ(ChildrenOfClass(window, L"ListBox"), 1);
    EXPECT_EQ(ListLines(adapterList).size(), 2u);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(GetSubMenu(GetMenu(window), 1), 4)), 2);
    EXPECT_EQ(GetThreadLocale(), 1033u);

    // A module that cannot be loaded keeps the current one and its locale.
    HMODULE current = languageModule;
    ChangeLanguage([](HWND) {  // as if the dialog had chosen a module that is gone by now
        lstrcpyW(languageModuleName, L"xyz_lang");
        currentLcid = 1049;
        lstrcpyW(localeName, L"russian");
    });
    EXPECT_EQ(languageModule, current);
    EXPECT_STREQ(languageModuleName, L"eng_lang");
    EXPECT_EQ(currentLcid, 1033u);
    EXPECT_STREQ(localeName, L"english");
    EXPECT_EQ(ChildrenOfClass(window, L"Button"), 2);
    EXPECT_TRUE(script.Done());
}

namespace {

std::wstring StringOf(HMODULE module, UINT id)
{
    wchar_t text[1024] = {};
    LoadStringW(module, id, text, 1024);
    return text;
}

std::wstring MenuText(HMENU menu, int position)
{
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

INT_PTR CALLBACK QuietDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

}  // namespace

TEST_F(MainWindow, SwitchingToEachShippedLanguageChangesEveryText)
{
    ASSERT_TRUE(Start(kTwoAdapters));
    const int first = deviceMaps[0]->portNumber == 1 ? 0 : 1;
    const struct {
        const wchar_t *module;
        DWORD lcid;
        const wchar_t *locale;
    } shipped[] = {{L"deu_lang", 0x0407, L"german"},
                   {L"esp_lang", 0x040A, L"spanish"},
                   {L"rus_lang", 0x0419, L"russian"},
                   {L"chs_lang", 0x0804, L"chinese-simplified"},
                   {L"fra_lang", 0x040C, L"french"},
                   {L"ita_lang", 0x0410, L"italian"},
                   {L"jpn_lang", 0x0411, L"japanese"},
                   {L"eng_lang", 0x0409, L"english"}};
    for (const auto &language : shipped) {
        ChangeLanguage([&](HWND dialog) {
            PaintNow(dialog);
            for (int i = 0; i < languageCount; ++i)
                if (lstrcmpiW(languages[i].moduleName, language.module) == 0)
                    DoubleClickRow(dialog, IDC_LANGUAGE_LIST, i);
        });
        const std::string name(language.module, language.module + 8);
        HMODULE module = LoadLibraryExW(language.module, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << name;
        EXPECT_STREQ(languageModuleName, language.module);
        EXPECT_EQ(currentLcid, language.lcid) << name;
        EXPECT_STREQ(localeName, language.locale);
        EXPECT_EQ(GetThreadLocale(), language.lcid) << name;
        EXPECT_EQ(std::wstring(windowCaption), StringOf(module, IDS_CAPTION)) << name;
        EXPECT_EQ(WindowText(saveButton), StringOf(module, IDS_SAVE_BUTTON)) << name;
        EXPECT_EQ(WindowText(exitButton), StringOf(module, IDS_EXIT_BUTTON)) << name;
        HMENU own = LoadMenuW(module, MAKEINTRESOURCEW(IDM_MAIN));
        for (int position = 0; position < 3; ++position)
            EXPECT_EQ(MenuText(GetMenu(window), position), MenuText(own, position)) << name;
        HMENU adapters = GetSubMenu(GetSubMenu(GetMenu(window), 1), 3);
        ASSERT_EQ(GetMenuItemCount(adapters), 2);
        EXPECT_EQ(MenuText(adapters, first), StringOf(module, IDS_CHIP_UNKNOWN)) << name;
        DestroyMenu(own);
        std::vector<std::wstring> lines = ListLines(adapterList);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[static_cast<size_t>(first)].substr(0, StringOf(module, IDS_CHIP_UNKNOWN).size()),
                  StringOf(module, IDS_CHIP_UNKNOWN));

        Command(IDM_VERSION);
        ASSERT_FALSE(boxes.boxes.empty());
        EXPECT_EQ(boxes.boxes.back().caption, StringOf(module, IDS_CAPTION)) << name;
        EXPECT_EQ(boxes.boxes.back().text.substr(0, StringOf(module, IDS_VERSION_HEAD).size()),
                  StringOf(module, IDS_VERSION_HEAD));

        std::wstring row, caption;
        script.Then([&](HWND dialog) {
            PaintNow(dialog);
            row = ListLines(GetDlgItem(dialog, IDC_ADAPTER_LIST))[0];
            caption = WindowText(dialog);
            PressButton(dialog, IDCANCEL);
        });
        Command(IDM_ADAPTER_BASE + (1 - first));
        EXPECT_EQ(row.substr(0, StringOf(module, IDS_ADAPTER_ROW0).size()), StringOf(module, IDS_ADAPTER_ROW0)) << name;
        HWND own111 = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_ADAPTER), nullptr, QuietDlgProc, 0);
        EXPECT_EQ(caption, WindowText(own111)) << name;
        DestroyWindow(own111);

        std::wstring deviceRow;
        script.Then([&](HWND table) {
            PaintNow(table);
            deviceRow = ListLines(GetDlgItem(table, IDC_DEVICE_TABLE_LIST))[5];
            PressButton(table, IDCANCEL);
        });
        Command(IDM_DEVICE_TABLE_BASE + (1 - first));
        EXPECT_NE(deviceRow.find(StringOf(module, IDS_NO_DEVICE)), std::wstring::npos) << name;
        FreeLibrary(module);
    }
    EXPECT_EQ(ChildrenOfClass(window, L"Button"), 2);
    EXPECT_TRUE(script.Done());
}

// The File menu's backup and restore. The platform's Save and Open dialogs
// are answered through this program's imports of them: a chosen path, or Cancel.
namespace {

struct FileDialog {
    std::wstring answer;  // empty: Cancel
    int calls = 0;
    OPENFILENAMEW seen;   // its strings are gone once the dialog returns: copied below
    std::wstring filter;  // the filter list, its terminators as they are
    std::wstring title, defaultExtension, initialFolder;
} saveDialog, openDialog;

BOOL Answer(FileDialog &dialog, OPENFILENAMEW *ofn)
{
    ++dialog.calls;
    dialog.seen = *ofn;
    const wchar_t *end = ofn->lpstrFilter;
    while (end[0] || end[1])
        ++end;
    dialog.filter.assign(ofn->lpstrFilter, end);
    dialog.title = ofn->lpstrTitle ? ofn->lpstrTitle : L"";
    dialog.defaultExtension = ofn->lpstrDefExt ? ofn->lpstrDefExt : L"";
    dialog.initialFolder = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : L"";
    if (dialog.answer.empty() || dialog.answer.size() >= ofn->nMaxFile)
        return FALSE;
    lstrcpyW(ofn->lpstrFile, dialog.answer.c_str());
    return TRUE;
}
BOOL WINAPI AnswerSave(OPENFILENAMEW *ofn) { return Answer(saveDialog, ofn); }
BOOL WINAPI AnswerOpen(OPENFILENAMEW *ofn) { return Answer(openDialog, ofn); }

// The program takes the file dialogs from their library when it first
// needs them: the tests answer them in the lookup.
using ProcLookup = FARPROC(WINAPI *)(HMODULE, LPCSTR);
ProcLookup realLookup;
FARPROC WINAPI AnswerLookup(HMODULE module, LPCSTR name)
{
    if (!IS_INTRESOURCE(name) && std::strcmp(name, "GetSaveFileNameW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void *>(&AnswerSave));
    if (!IS_INTRESOURCE(name) && std::strcmp(name, "GetOpenFileNameW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void *>(&AnswerOpen));
    return realLookup(module, name);
}

std::wstring TempFile(const wchar_t *name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

void WriteTextFile(const std::wstring &path, const std::string &text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadTextFile(const std::wstring &path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string text(1024 * 1024, '\0');
    DWORD read = 0;
    ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    return text;
}

std::wstring ThisComputerW()
{
    const std::string name = ThisComputer();
    return std::wstring(name.begin(), name.end());
}

// A string of the module in use, formatted as the program formats it.
template <typename... Args>
std::wstring Formatted(UINT id, Args... args)
{
    wchar_t text[1024];
    wsprintfW(text, ModuleText(id).c_str(), args...);
    return text;
}

std::vector<std::uint8_t> ImageOf(int port)
{
    for (int i = 0; i < adapterCount; ++i)
        if (deviceMaps[i] && deviceMaps[i]->portNumber == port) {
            const auto *bytes = reinterpret_cast<const std::uint8_t *>(&workingRecords[i].image);
            return std::vector<std::uint8_t>(bytes, bytes + kImageSize);
        }
    return {};
}

// A narrow and a wide adapter with valid stored settings, bytes that no
// setting names set apart from the defaults, and a device at ID 2 of port 1.
const char kFileBench[] =
    "port 1 driver ktrscsi irq 11 io 0x6400\n  adapter chip 6\n  image defaults\n  set 300 165\n  set 1259 90\n"
    "  unit 2 0 \"NORTHDISK ND-9100S      2.03\" type DiskPeripheral\n"
    "port 2 driver ktrwide irq 10 io 0x6800\n  adapter chip 13\n  image defaults\n  set 3 119\n  set 700 1\n";
const wchar_t kUnwritable[] = L"Z:\\ktrcfg-no-such-folder\\backup.json";

class FileMenu : public MainWindow {
protected:
    void SetUp() override
    {
        MainWindow::SetUp();
        saveDialog = openDialog = FileDialog();
        realLookup = reinterpret_cast<ProcLookup>(SwapImport("GetProcAddress", reinterpret_cast<void *>(&AnswerLookup)));
        ASSERT_TRUE(realLookup);
        DeleteFileW(backup.c_str());
    }
    void TearDown() override
    {
        SwapImport("GetProcAddress", reinterpret_cast<void *>(realLookup));
        DeleteFileW(backup.c_str());
        DeleteFileW(other.c_str());
        MainWindow::TearDown();
    }
    // Ends the program; with a bench, starts it again on that one, else on what the emulator holds now.
    bool Restart(const char *bench = nullptr)
    {
        CloseProgramWindow(window);
        UnregisterClassW(windowCaption, GetModuleHandleW(nullptr));
        ResetProgramState();
        boxes.boxes.clear();
        if (bench)
            return Start(bench);
        window = StartProgram(GetModuleHandleW(nullptr)) ? CreateMainWindow() : nullptr;
        Paint();
        return window != nullptr;
    }
    void Choose(UINT command, const std::wstring &path)
    {
        (command == IDM_BACKUP ? saveDialog : openDialog).answer = path;
        Command(command);
    }
    const std::wstring backup = TempFile(L"ktrcfg-file-menu-backup.json"), other = TempFile(L"ktrcfg-file-menu.json");
};

}  // namespace

TEST_F(FileMenu, TheDialogsAskForASettingsFileAndCancelDoesNothing)
{
    ASSERT_TRUE(Start(kFileBench));
    ClearHistory();
    const std::vector<std::uint8_t> before = ImageOf(1);
    const DWORD both = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    for (const auto &[dialog, flags, title] : {std::tuple<FileDialog *, DWORD, UINT>{&saveDialog, both | OFN_OVERWRITEPROMPT, IDS_BACKUP_TITLE},
                                               {&openDialog, both | OFN_FILEMUSTEXIST, IDS_RESTORE_TITLE}}) {
        Command(dialog == &saveDialog ? IDM_BACKUP : IDM_RESTORE);  // no path chosen: Cancel
        EXPECT_EQ(dialog->calls, 1);
        EXPECT_EQ(dialog->seen.hwndOwner, window);
        EXPECT_EQ(dialog->seen.Flags, flags) << title;
        EXPECT_EQ(dialog->filter, ModuleText(IDS_FILE_FILTER) + L'\0' + L"*.json");
        EXPECT_EQ(dialog->defaultExtension, L"json");
        EXPECT_EQ(dialog->title, ModuleText(title));
        EXPECT_EQ(dialog->initialFolder, L"") << "no history folder yet";
    }
    // A restore looks first among the states kept before each change.
    const std::wstring history = HistoryFolderPath();
    ASSERT_TRUE(MakeHistoryFolder());
    Command(IDM_RESTORE);
    EXPECT_EQ(openDialog.initialFolder, history);
    ClearHistory();
    EXPECT_TRUE(boxes.boxes.empty()) << "a cancelled dialog shows nothing";
    EXPECT_EQ(GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ImageOf(1), before);
}

TEST_F(FileMenu, ARestoreIsWrittenOnlyBySaveAndThenByteForByte)
{
    for (UINT end : {IDM_EXIT, IDM_SAVE}) {
        ASSERT_TRUE(Restart(kFileBench));
        Choose(IDM_BACKUP, backup);
        ASSERT_EQ(boxes.Texts(), std::vector<std::wstring>{Formatted(IDS_BACKUP_DONE, backup.c_str())});
        const std::vector<std::uint8_t> backedUp[2] = {ImageOf(1), ImageOf(2)};
        // The bench changes under the program: a host ID, and a byte that only the backup knows.
        for (int port : {1, 2}) {
            std::vector<std::uint8_t> image;
            ASSERT_TRUE(ReadStoredImage(port, image));
            image[14] = 5;
            image[port == 1 ? 300 : 700] ^= 0x0F;
            ASSERT_TRUE(WriteStoredImage(port, image));
        }
        ASSERT_TRUE(Restart());
        Choose(IDM_RESTORE, backup);
        // Per adapter its host ID, and the bytes that no setting names, counted as one.
        ASSERT_EQ(boxes.Texts(), std::vector<std::wstring>{Formatted(IDS_RESTORE_DONE, backup.c_str(), 4, 2)});
        EXPECT_EQ(ImageOf(1), backedUp[0]);
        EXPECT_EQ(ImageOf(2), backedUp[1]);
        EXPECT_EQ(ReadPortCounts(1).writes + ReadPortCounts(2).writes, 0u) << "nothing is written before Save";
        Command(end);
        for (int port : {1, 2}) {
            std::vector<std::uint8_t> stored;
            ASSERT_TRUE(ReadStoredImage(port, stored));
            EXPECT_EQ(ReadPortCounts(port).writes, end == IDM_SAVE ? 1u : 0u) << "port " << port;
            EXPECT_EQ(stored == backedUp[port - 1], end == IDM_SAVE) << "port " << port;
        }
    }
}

TEST_F(FileMenu, ABackupLeavesOutAdaptersWithoutValidSettingsAndSaysWhy)
{
    // Port 1 is not read, port 3 holds invalid settings: only port 2 is in the file.
    const char invalid[] = "port 3 driver ktrscsi\n  adapter chip 6 status 0x0601\n";
    ASSERT_TRUE(Start(std::string(kTwoAdapters) + invalid));
    Choose(IDM_BACKUP, backup);
    Choose(IDM_BACKUP, kUnwritable);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::wstring>{Formatted(IDS_BACKUP_PARTIAL, backup.c_str(), 2),
                                                         Formatted(IDS_BACKUP_FAILED, kUnwritable)}));
    EXPECT_NE(GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(Restart(invalid));
    Choose(IDM_BACKUP, other);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{ModuleText(IDS_BACKUP_NONE)});
    EXPECT_EQ(saveDialog.calls, 2) << "no file is asked for when there is nothing to back up";
}

TEST_F(FileMenu, ARefusedFileSaysWhyAndChangesNothing)
{
    ASSERT_TRUE(Start(kFileBench));
    workingRecords[0].image.hostId = 6;  // an edit of this run, kept through every refusal
    workingRecords[0].modified = 1;
    AdapterRecord before[2];
    std::memcpy(before, workingRecords, sizeof before);
    const std::string adapters = "{\"format\": 1, \"adapters\": [";
    const struct {
        std::string text;
        std::wstring reason;
    } cases[] = {
        {"", ModuleText(IDS_FILE_EMPTY)},
        {"{\"format\": 1,\n \"adapters\": [", Formatted(IDS_FILE_NOT_JSON, 2)},
        {"{\"format\": 2, \"adapters\": []}", ModuleText(IDS_FILE_FUTURE)},
        {adapters + "{\"port\": 1, \"settings\": {\"hostID\": 5}}]}",
         Formatted(IDS_FILE_UNKNOWN_KEY, L"adapters[0].settings.hostID")},
        {adapters + "{\"port\": 1, \"settings\": {\"hostId\": \"six\"}}]}",
         Formatted(IDS_FILE_BAD_VALUE, L"adapters[0].settings.hostId")},
        {adapters + "{\"port\": 2}, {\"port\": 2}]}", Formatted(IDS_FILE_DUPLICATE, 2)},
        {adapters + "{\"port\": 9, \"settings\": {\"hostId\": 5}}]}", Formatted(IDS_FILE_NO_ADAPTER, 9)},
        {adapters + "{\"port\": 1, \"chipCode\": 13}]}", Formatted(IDS_FILE_OTHER_CHIP, 1)},
        // The second adapter is refused: the first, good one does not change either.
        {adapters + "{\"port\": 2, \"settings\": {\"hostId\": 5}}, {\"port\": 1, \"settings\": {\"hostId\": 2}}]}",
         Formatted(IDS_FILE_REFUSED_RULE, 1, L"adapters[1].settings.hostId")},
        {"gone", ModuleText(IDS_FILE_CANNOT_READ)},
        {"another computer's backup", Formatted(IDS_FILE_OTHER_COMPUTER, L"SERVER2", ThisComputerW().c_str())},
    };
    for (const auto &c : cases) {
        boxes.boxes.clear();
        DeleteFileW(other.c_str());
        if (c.text == "another computer's backup") {
            Choose(IDM_BACKUP, backup);
            std::string text = ReadTextFile(backup);
            const std::string name = "\"computer\": \"" + ThisComputer() + "\"";
            WriteTextFile(other, text.replace(text.find(name), name.size(), "\"computer\": \"SERVER2\""));
            boxes.boxes.clear();
        } else if (c.text != "gone") {
            WriteTextFile(other, c.text);
        }
        Choose(IDM_RESTORE, other);
        ASSERT_EQ(boxes.boxes.size(), 1u) << c.text;
        EXPECT_EQ(boxes.boxes[0].text, Formatted(IDS_FILE_REFUSED, other.c_str()) + L"\n" + c.reason) << c.text;
        EXPECT_EQ(boxes.boxes[0].icon, LoadIconW(nullptr, IDI_WARNING));
        EXPECT_EQ(std::memcmp(workingRecords, before, sizeof before), 0) << c.text;
    }
}

TEST_F(FileMenu, AScriptAndTheWindowNeverUndoEachOther)
{
    ASSERT_TRUE(Start(kFileBench));
    const int one = AdapterAtPort(1);
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    // A script sets what the file names on port 1, as ktrcli apply does.
    auto script = [&](const std::string &settings) {
        WriteTextFile(other, R"({"format": 1, "adapters": [{"port": 1, "settings": {)" + settings + "}}]}");
        const ProgramRun run = RunProgram(L"\"" + std::wstring(folder) + L"\\ktrcli.exe\" apply \"" + other + L"\"");
        EXPECT_EQ(run.exitCode, 0u) << settings << run.err;
    };
    auto stored = [] {
        std::vector<std::uint8_t> image;
        EXPECT_TRUE(ReadStoredImage(1, image));
        return image;
    };
    const std::size_t hostId = 14, timeout3 = 76 + 3 * 8 + 6;
    workingRecords[one].image.hostId = 6;  // an edit in the window, not yet saved
    workingRecords[one].modified = 1;
    // A template that says what the edit says still changes what the adapter holds.
    WriteTextFile(other, R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 6}}]})");
    Choose(IDM_RESTORE, other);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{Formatted(IDS_RESTORE_DONE, other.c_str(), 1, 1)});
    boxes.boxes.clear();
    script(R"("hostId": 5, "devices": [{"id": 3, "timeout": 30}])");
    const std::vector<std::wstring> kept = KeptFiles(1);  // with the script's
    Command(IDM_SAVE);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{Formatted(IDS_WRITE_CONFLICT, 1, L"KTR-A0060")});
    EXPECT_EQ(KeptFiles(1), kept) << "a write not made keeps nothing";
    EXPECT_EQ(stored()[hostId], 5u) << "nothing is written over the script's change";
    EXPECT_EQ(workingRecords[one].modified, 1) << "the edit is kept";
    EXPECT_EQ(workingRecords[one].image.hostId, 6) << "where both changed a setting, the user's value stands";
    EXPECT_EQ(workingRecords[one].image.deviceTable[3].deviceValue.get(), 30) << "the script's setting is taken";
    // The next Save writes the edit on top of the script's change.
    boxes.boxes.clear();
    Command(IDM_SAVE);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{ModuleText(IDS_SAVED)});
    EXPECT_EQ(stored()[hostId], 6u);
    EXPECT_EQ(stored()[timeout3], 30u);
    // After a save of its own, a script's change is taken, not undone, with no warning.
    script(R"("devices": [{"id": 3, "timeout": 40}])");
    const DWORD writes = ReadPortCounts(1).writes;
    boxes.boxes.clear();
    Command(IDM_SAVE);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{ModuleText(IDS_SAVED)});
    EXPECT_EQ(stored()[timeout3], 40u);
    EXPECT_EQ(ReadPortCounts(1).writes, writes);
    EXPECT_EQ(workingRecords[one].modified, 0);
    // A backup holds what the adapter holds when it is taken.
    script(R"("devices": [{"id": 3, "timeout": 50}])");
    boxes.boxes.clear();
    Choose(IDM_BACKUP, backup);
    EXPECT_NE(ReadTextFile(backup).find("\"timeout\": 50"), std::string::npos) << "device 3 as the script left it";
    // An adapter that cannot be read again makes no backup.
    std::string error;
    ASSERT_TRUE(SetPortFaults(1, KTREMU_FAULT_READ_FAILS, error)) << error;
    DeleteFileW(backup.c_str());
    Choose(IDM_BACKUP, backup);
    EXPECT_EQ(boxes.Texts().back(), Formatted(IDS_REREAD_FAILED, 1));
    EXPECT_EQ(GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileMenu, EachWriteOfASaveIsOnRecord)
{
    ASSERT_TRUE(Start(std::string(kFileBench) + "port 6 driver ktrwide\n  adapter chip 13 faults writefails\n"));
    EventCapture capture;
    WriteTextFile(other, R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 6}},
        {"port": 6, "settings": {"hostId": 5}}]})");
    Choose(IDM_RESTORE, other);
    Command(IDM_SAVE);
    ASSERT_EQ(capture.entries.size(), 2u);
    const LoggedEntry &written = capture.entries[0], &failed = capture.entries[1];
    EXPECT_EQ(written.source, KTR_EVENT_SOURCE);
    EXPECT_EQ(written.type, EVENTLOG_INFORMATION_TYPE);
    EXPECT_EQ(written.id, 1000u);
    EXPECT_EQ(failed.type, EVENTLOG_ERROR_TYPE);
    EXPECT_EQ(failed.id, 1001u);
    ASSERT_EQ(written.strings.size(), 8u) << "only the inserts of its text";
    EXPECT_EQ(written.strings[7], NewestKept(1)) << "the state before, as kept";
    ASSERT_EQ(failed.strings.size(), 10u);
    EXPECT_EQ(std::vector<std::wstring>(written.strings.begin(), written.strings.begin() + 3),
              (std::vector<std::wstring>{L"ktrcfg", L"save", other}));
    EXPECT_EQ(std::vector<std::wstring>(written.strings.begin() + 4, written.strings.begin() + 7),
              (std::vector<std::wstring>{L"1", L"KTR-A0060", L"hostId: 7 -> 6"}));
    EXPECT_EQ(std::vector<std::wstring>(failed.strings.begin() + 4, failed.strings.end()),
              (std::vector<std::wstring>{L"6", L"KTR-A0130", L"hostId: 7 -> 5", L"the write failed with error 1117",
                                         L"write", L"1117"}));
    // A failed write is kept for the next save, which puts it on record again; the one written is not.
    capture.entries.clear();
    Command(IDM_SAVE);
    ASSERT_EQ(capture.entries.size(), 2u) << "the adapter written stays modified, as the design saves";
    EXPECT_EQ(capture.entries[0].strings[2], L"-") << "the file was named in the write that it led to";
    EXPECT_EQ(capture.entries[0].strings[6], L"(none)");
    EXPECT_EQ(capture.registrations, 1) << "the source is registered once for the process";
}

TEST_F(FileMenu, AHistoryFolderThatOthersCanChangeIsNamedOnceAndTheSaveGoesOn)
{
    ASSERT_TRUE(Start(kFileBench));
    ClearHistory();
    const std::wstring history = HistoryFolderPath();
    ASSERT_TRUE(MakeHistoryFolder());
    ASSERT_TRUE(GrantEveryone(history));
    WriteTextFile(other, R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 6}},
        {"port": 2, "settings": {"hostId": 5}}]})");
    Choose(IDM_RESTORE, other);
    boxes.boxes.clear();
    Command(IDM_SAVE);
    // One box for both adapters, before the save's own.
    EXPECT_EQ(boxes.Texts(), (std::vector<std::wstring>{Formatted(IDS_HISTORY_UNSAFE, history.c_str()), ModuleText(IDS_SAVED)}));
    EXPECT_EQ(ImageOf(1)[14], 6);
    EXPECT_EQ(ImageOf(2)[14], 5);
    EXPECT_EQ(KeptFiles(-1), std::vector<std::wstring>{});
    ClearHistory();
}

TEST_F(FileMenu, EveryProblemHasWordsOfTheModule)
{
    ASSERT_TRUE(Start(kFileBench));
    FileResult result;
    result.line = 4;
    result.port = 2;
    result.field = "adapters[0].settings.hostId";
    result.value = "OTHER";
    const std::wstring field = L"adapters[0].settings.hostId";
    const std::wstring computer = ThisComputerW();
    const std::pair<FileProblem, std::wstring> rows[] = {
        {FileProblem::None, L""},
        {FileProblem::CannotRead, ModuleText(IDS_FILE_CANNOT_READ)},
        {FileProblem::TooLarge, ModuleText(IDS_FILE_TOO_LARGE)},
        {FileProblem::Empty, ModuleText(IDS_FILE_EMPTY)},
        {FileProblem::NotJson, Formatted(IDS_FILE_NOT_JSON, 4)},
        {FileProblem::FutureFormat, ModuleText(IDS_FILE_FUTURE)},
        {FileProblem::UnknownKey, Formatted(IDS_FILE_UNKNOWN_KEY, field.c_str())},
        {FileProblem::BadValue, Formatted(IDS_FILE_BAD_VALUE, field.c_str())},
        {FileProblem::NotBackup, Formatted(IDS_FILE_BAD_VALUE, field.c_str())},
        {FileProblem::Exists, ModuleText(IDS_FILE_CANNOT_READ)},
        {FileProblem::CannotWrite, ModuleText(IDS_FILE_CANNOT_READ)},
        {FileProblem::DuplicatePort, Formatted(IDS_FILE_DUPLICATE, 2)},
        {FileProblem::NoSuchAdapter, Formatted(IDS_FILE_NO_ADAPTER, 2)},
        {FileProblem::OtherChip, Formatted(IDS_FILE_OTHER_CHIP, 2)},
        {FileProblem::OtherComputer, Formatted(IDS_FILE_OTHER_COMPUTER, L"OTHER", computer.c_str())},
        {FileProblem::BadImage, Formatted(IDS_FILE_BAD_IMAGE, 2)},
        {FileProblem::EditedBackup, Formatted(IDS_FILE_EDITED, 2, field.c_str())},
        {FileProblem::InvalidAdapter, Formatted(IDS_FILE_INVALID, 2)},
        {FileProblem::Unread, Formatted(IDS_FILE_INVALID, 2)},
        {FileProblem::Refused, Formatted(IDS_FILE_REFUSED_RULE, 2, field.c_str())},
    };
    for (const auto &[problem, words] : rows) {
        wchar_t text[kTextRoom];
        result.problem = problem;
        DescribeRefusal(result, text);
        EXPECT_EQ(text, words) << static_cast<int>(problem);
    }
}

TEST_F(FileMenu, EveryLanguageHasBothItemsAndItsOwnBoxes)
{
    ASSERT_TRUE(Start(kFileBench));
    WriteTextFile(other, "");
    const std::vector<std::wstring> files = LanguageModuleFiles();
    EXPECT_GE(files.size(), 8u);
    for (const std::wstring &file : files) {
        const std::wstring stem = file.substr(0, file.find(L'.'));
        const std::string name(stem.begin(), stem.end());
        ChangeLanguage([&](HWND dialog) {
            PaintNow(dialog);
            for (int i = 0; i < languageCount; ++i)
                if (lstrcmpiW(languages[i].moduleName, stem.c_str()) == 0)
                    DoubleClickRow(dialog, IDC_LANGUAGE_LIST, i);
        });
        ASSERT_STREQ(languageModuleName, stem.c_str());
        HMODULE module = LoadModuleFile(file);
        ASSERT_NE(module, nullptr) << name;
        HMENU own = LoadMenuW(module, MAKEINTRESOURCEW(IDM_MAIN));
        for (int position : {1, 2}) {
            EXPECT_EQ(GetMenuItemID(GetSubMenu(GetMenu(window), 0), position), position == 1 ? IDM_BACKUP : IDM_RESTORE);
            EXPECT_EQ(MenuText(GetSubMenu(GetMenu(window), 0), position), MenuText(GetSubMenu(own, 0), position)) << name;
        }
        DestroyMenu(own);

        boxes.boxes.clear();
        Choose(IDM_BACKUP, kUnwritable);
        Choose(IDM_RESTORE, other);
        EXPECT_EQ(saveDialog.title, StringOf(module, IDS_BACKUP_TITLE)) << name;
        EXPECT_EQ(openDialog.filter.substr(0, StringOf(module, IDS_FILE_FILTER).size()), StringOf(module, IDS_FILE_FILTER));
        ASSERT_EQ(boxes.boxes.size(), 2u) << name;
        wchar_t expected[2][1024];
        wsprintfW(expected[0], StringOf(module, IDS_BACKUP_FAILED).c_str(), kUnwritable);
        wsprintfW(expected[1], StringOf(module, IDS_FILE_REFUSED).c_str(), other.c_str());
        EXPECT_EQ(boxes.boxes[0].text, expected[0]) << name;
        EXPECT_EQ(boxes.boxes[1].text, expected[1] + (L"\n" + StringOf(module, IDS_FILE_EMPTY))) << name;
        EXPECT_EQ(boxes.boxes[1].caption, StringOf(module, IDS_CAPTION)) << name;
        FreeLibrary(module);
    }
    EXPECT_TRUE(script.Done());
}
