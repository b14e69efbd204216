// Every language module in the program folder holds what the program loads
// from it: the strings within their buffers, the registry names of the
// platform, menu 101 and every dialog template with its controls.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "language/string_rooms.h"
#include "store/setting_fields.h"
#include "store/utf8.h"
#include "tests/program_support.h"

namespace {

struct Control {
    int id;
    const wchar_t *cls;
};
struct Template {
    int id;
    std::vector<Control> controls;
};

std::vector<Template> Templates()
{
    std::vector<Template> t = {
        {IDD_ADAPTER, {{IDC_ADAPTER_LIST, L"ListBox"}, {IDOK, L"Button"}, {IDCANCEL, L"Button"},
                       {IDC_DEFAULTS, L"Button"}, {IDM_HELP, L"Button"}}},
        {IDD_HOST_ID, {{IDCANCEL, L"Button"}}},
        {IDD_DEVICE_TABLE, {{IDC_DEVICE_TABLE_LIST, L"ListBox"}, {IDOK, L"Button"}, {IDCANCEL, L"Button"},
                            {IDM_HELP, L"Button"}}},
        {IDD_RATE, {{IDCANCEL, L"Button"}}},
        {IDD_WIDTH, {{IDC_WIDTH_NARROW, L"Button"}, {IDC_WIDTH_WIDE, L"Button"}, {IDCANCEL, L"Button"}}},
        {IDD_YESNO_OPTION0, {{IDC_YES_OPTION0, L"Button"}, {IDC_NO_OPTION0, L"Button"}, {IDCANCEL, L"Button"}}},
        {IDD_YESNO_OPTION12, {{IDC_YES_OPTION12, L"Button"}, {IDC_NO_OPTION12, L"Button"}, {IDCANCEL, L"Button"}}},
        {IDD_YESNO_OPTION3, {{IDC_YES_OPTION3, L"Button"}, {IDC_NO_OPTION3, L"Button"}, {IDCANCEL, L"Button"}}},
        {IDD_VALUE, {{IDC_VALUE_EDIT, L"Edit"}, {IDOK, L"Button"}, {IDCANCEL, L"Button"}}},
        {IDD_LANGUAGE, {{IDC_LANGUAGE_LIST, L"ListBox"}, {IDOK, L"Button"}, {IDCANCEL, L"Button"},
                        {IDM_HELP, L"Button"}}},
    };
    for (int id = 0; id < 16; ++id)
        t[1].controls.push_back({IDC_HOST_ID_BASE + id, L"Button"});
    for (int i = 0; i < 6; ++i)
        t[3].controls.push_back({IDC_RATE_BASE + i, L"Button"});
    for (int id : {IDD_DEVICE_HOST, IDD_DEVICE})
        t.push_back({id, {{IDC_DEVICE_LIST, L"ListBox"}, {IDOK, L"Button"}, {IDCANCEL, L"Button"},
                          {IDC_DEFAULTS, L"Button"}, {IDM_HELP, L"Button"}}});
    return t;
}

INT_PTR CALLBACK QuietDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context)
{
    reinterpret_cast<std::vector<WORD> *>(context)->push_back(language);
    return TRUE;
}

// The language that each shipped module declares through template 104.
WORD ExpectedLanguage(const std::wstring &file)
{
    const std::wstring prefix = file.substr(0, 3);
    if (_wcsicmp(prefix.c_str(), L"eng") == 0) return 0x0409;
    if (_wcsicmp(prefix.c_str(), L"deu") == 0) return 0x0407;
    if (_wcsicmp(prefix.c_str(), L"esp") == 0) return 0x040A;
    if (_wcsicmp(prefix.c_str(), L"rus") == 0) return 0x0419;
    if (_wcsicmp(prefix.c_str(), L"chs") == 0) return 0x0804;
    if (_wcsicmp(prefix.c_str(), L"fra") == 0) return 0x040C;
    if (_wcsicmp(prefix.c_str(), L"ita") == 0) return 0x0410;
    if (_wcsicmp(prefix.c_str(), L"jpn") == 0) return 0x0411;
    return 0;
}

// A label as texts name it: without its access key, whether that is marked
// inside the word ("&Save") or after it ("(&S)").
std::wstring Label(std::wstring text)
{
    const size_t key = text.find(L"(&");
    if (key != std::wstring::npos && key + 3 < text.size() && text[key + 3] == L')')
        text.erase(key, 4);
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

// The text of a control of the template (0: its caption; -1: its first control).
std::wstring DialogText(HMODULE module, int id, int control)
{
    HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(id), nullptr, QuietDlgProc, 0);
    wchar_t text[256] = {};
    if (dialog) {
        HWND item = control == 0 ? dialog : control < 0 ? GetWindow(dialog, GW_CHILD) : GetDlgItem(dialog, control);
        GetWindowTextW(item, text, 256);
        DestroyWindow(dialog);
    }
    return text;
}

void AddMenuLabels(HMENU menu, std::vector<std::wstring> &texts)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t label[128] = {};
        GetMenuStringW(menu, i, label, 128, MF_BYPOSITION);
        texts.push_back(Label(label));
        if (HMENU sub = GetSubMenu(menu, i))
            AddMenuLabels(sub, texts);
    }
}

// The conversions of a wsprintfW format, in order ("%s%d").
std::wstring Conversions(const std::wstring &format)
{
    std::wstring found;
    for (size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != L'%')
            continue;
        size_t j = i + 1;
        while (j < format.size() && wcschr(L"-#0123456789.lh", format[j]))
            ++j;
        if (j < format.size() && format[j] != L'%')
            found += std::wstring(L"%") + format[j];
        i = j;
    }
    return found;
}

class LanguageModule : public testing::TestWithParam<std::wstring> {
protected:
    void SetUp() override
    {
        module = LoadModuleFile(GetParam());
        ASSERT_NE(module, nullptr) << "cannot load " << Utf8(GetParam());
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }
    std::wstring Text(int id)
    {
        wchar_t buffer[1024] = {};
        int n = LoadStringW(module, static_cast<UINT>(id), buffer, 1024);
        return std::wstring(buffer, static_cast<size_t>(n));
    }
    // Every text that the module shows, access keys taken out.
    std::vector<std::wstring> Shown()
    {
        std::vector<std::wstring> texts;
        for (const StringRoomRow &r : kStringRooms)
            for (UINT id = r.first; id <= r.last; ++id)
                texts.push_back(Text(static_cast<int>(id)));
        HMENU bar = LoadMenuW(module, MAKEINTRESOURCEW(IDM_MAIN));
        AddMenuLabels(bar, texts);
        DestroyMenu(bar);
        for (const Template &t : Templates()) {
            HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(t.id), nullptr, QuietDlgProc, 0);
            for (HWND w = dialog; w; w = GetWindow(w, w == dialog ? GW_CHILD : GW_HWNDNEXT)) {
                wchar_t text[256] = {};
                GetWindowTextW(w, text, 256);
                texts.push_back(Label(text));
            }
            DestroyWindow(dialog);
        }
        return texts;
    }
    HMODULE module = nullptr;
};

}  // namespace

TEST(LanguageModules, EnglishModuleIsInTheProgramFolder)
{
    bool english = false;
    for (const std::wstring &name : LanguageModuleFiles())
        english |= _wcsicmp(name.c_str(), L"eng_lang.dll") == 0;
    EXPECT_TRUE(english);
}

TEST(LanguageModules, EveryStringOfTheIdentifiersHasItsRoom)
{
    int named = 0;
    for (const std::string &line : SourceLines(L"language\\resource_ids.h")) {
        std::istringstream words(line);
        std::string define, name;
        UINT id = 0;
        if (!(words >> define >> name >> id) || define != "#define" || name.rfind("IDS_", 0) != 0)
            continue;
        ++named;
        EXPECT_NE(StringRoomOf(id), nullptr) << name << " has no row in language/string_rooms.h";
    }
    EXPECT_GT(named, 0);
}

TEST_P(LanguageModule, EveryStringIsPresentFitsItsRoomAndTakesItsArguments)
{
    for (const StringRoomRow &r : kStringRooms)
        for (UINT n = r.first; n <= r.last; ++n) {
            const int id = static_cast<int>(n);
            std::wstring text = Text(id);
            EXPECT_FALSE(text.empty()) << "string " << id << " is missing";
            EXPECT_LT(static_cast<int>(text.size()), r.room) << "string " << id << " is too long";
            // A conversion out of order or of the wrong kind reads a number as a string.
            EXPECT_EQ(Conversions(text), r.conversions) << "string " << id << ": \"" << Utf8(text) << "\"";
        }
    // Texts run together into one 1024-character buffer.
    EXPECT_LT(Text(8).size() + Text(10).size(), 1024u);
    EXPECT_LT(Text(5).size() + 15 + Text(26).size(), 1024u);
    EXPECT_LT(Text(41).size() + Text(42).size() + Text(43).size(), 1024u);
    EXPECT_LT(Text(64).size() + Text(65).size(), 1024u);
    EXPECT_LT(3 * Text(55).size(), 256u);
}

TEST_P(LanguageModule, MainWindowTextsFitTheirPlaces)
{
    // The backdrop rows are drawn in the fixed system font: the left texts at
    // 5 character widths, the right ones at 23; the buttons are 11 wide.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    const int a = metrics.tmAveCharWidth;
    auto width = [&](int id) {
        std::wstring text = Text(id);
        SIZE size = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    for (int id : {IDS_BACKDROP_LEFT1, IDS_BACKDROP_LEFT2})
        EXPECT_LT(width(id), 18 * a) << "string " << id << " runs into the text beside it";
    for (int id : {IDS_BACKDROP_RIGHT1, IDS_BACKDROP_RIGHT2})
        EXPECT_LE(width(id), 30 * a) << "string " << id << " runs out of the window";
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    for (int id : {IDS_SAVE_BUTTON, IDS_EXIT_BUTTON})
        EXPECT_LE(width(id), 11 * a - 6) << "string " << id << " does not fit its button";
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
}

TEST_P(LanguageModule, RegistryAndDriverNamesAreThePlatformsAndTheFamilys)
{
    EXPECT_EQ(Text(IDS_REG_PORT_PATH), L"HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port ");
    EXPECT_EQ(Text(IDS_REG_INTERRUPT), L"Interrupt");
    EXPECT_EQ(Text(IDS_REG_IO_ADDRESS), L"IOAddress");
    EXPECT_EQ(Text(IDS_REG_DRIVER), L"Driver");
    EXPECT_EQ(Text(IDS_REG_BUS), L"Scsi Bus 0");
    EXPECT_EQ(Text(IDS_REG_TARGET_PREFIX), L"Target Id");
    EXPECT_EQ(Text(IDS_REG_IDENTIFIER), L"Identifier");
    EXPECT_EQ(Text(IDS_REG_TYPE), L"Type");
    EXPECT_EQ(Text(IDS_DRIVER_NAME1), L"ktrscsi");
    EXPECT_EQ(Text(IDS_DRIVER_NAME2), L"ktrwide");
    EXPECT_EQ(Text(IDS_DRIVER_NAME3), L"ktrfast");
}

TEST_P(LanguageModule, FileMenuItemsHaveKeysOfTheirOwn)
{
    HMENU bar = LoadMenuW(module, MAKEINTRESOURCEW(IDM_MAIN));
    HMENU file = GetSubMenu(bar, 0);
    std::wstring keys;
    for (int i = 0; i < GetMenuItemCount(file); ++i) {
        wchar_t label[128] = {};
        if (GetMenuStringW(file, static_cast<UINT>(i), label, 128, MF_BYPOSITION) == 0)
            continue;  // the separator
        const wchar_t *amp = wcschr(label, L'&');
        ASSERT_TRUE(amp && amp[1]) << "\"" << Utf8(label) << "\" has no access key";
        wchar_t key = amp[1];
        CharUpperBuffW(&key, 1);
        EXPECT_EQ(keys.find(key), std::wstring::npos) << "\"" << Utf8(label) << "\" takes a key already taken";
        keys += key;
    }
    EXPECT_EQ(keys.size(), 4u);
    DestroyMenu(bar);
}

TEST_P(LanguageModule, MenuBarHoldsTheCommandsAndTheAdapterSubmenus)
{
    HMENU bar = LoadMenuW(module, MAKEINTRESOURCEW(IDM_MAIN));
    ASSERT_NE(bar, nullptr);
    HMENU settings = GetSubMenu(bar, 1);
    ASSERT_NE(settings, nullptr);
    HMENU adapters = GetSubMenu(settings, 3), tables = GetSubMenu(settings, 4);
    ASSERT_NE(adapters, nullptr);
    ASSERT_NE(tables, nullptr);
    EXPECT_GE(GetMenuItemCount(adapters), 1);
    EXPECT_GE(GetMenuItemCount(tables), 1);
    for (UINT command : {IDM_EXIT, IDM_INFORMATION, IDM_VERSION, IDM_SAVE, IDM_LANGUAGE, IDM_BACKUP, IDM_RESTORE}) {
        wchar_t label[128];
        EXPECT_GT(GetMenuStringW(bar, command, label, 128, MF_BYCOMMAND), 0) << "command " << command;
    }
    DestroyMenu(bar);
}

TEST_P(LanguageModule, TextsNameTheButtonsAndMenuItemsAsTheyAreLabelled)
{
    HMENU bar = LoadMenuW(module, MAKEINTRESOURCEW(IDM_MAIN));
    ASSERT_NE(bar, nullptr);
    wchar_t file[128] = {}, save[128] = {}, settings[128] = {}, adapters[128] = {};
    GetMenuStringW(bar, 0, file, 128, MF_BYPOSITION);
    GetMenuStringW(bar, IDM_SAVE, save, 128, MF_BYCOMMAND);
    GetMenuStringW(bar, 1, settings, 128, MF_BYPOSITION);
    GetMenuStringW(GetSubMenu(bar, 1), 3, adapters, 128, MF_BYPOSITION);
    DestroyMenu(bar);
    HWND adapter = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_ADAPTER), nullptr, QuietDlgProc, 0);
    ASSERT_NE(adapter, nullptr);
    wchar_t ok[64] = {}, defaults[64] = {};
    GetDlgItemTextW(adapter, IDOK, ok, 64);
    GetDlgItemTextW(adapter, IDC_DEFAULTS, defaults, 64);
    DestroyWindow(adapter);

    // The button saves and ends the program; File > Save saves and stays.
    EXPECT_NE(Text(IDS_SAVE_BUTTON), Label(save)) << "the save button reads as File > Save";
    const std::wstring howTo = Text(IDS_INFO_HEAD) + Text(IDS_INFO_TAIL);
    for (const std::wstring &name : {Text(IDS_SAVE_BUTTON), Text(IDS_EXIT_BUTTON), Label(file), Label(save)})
        EXPECT_NE(howTo.find(name), std::wstring::npos) << "the how-to text does not name \"" << Utf8(name) << "\"";
    for (UINT id : {IDS_ADAPTER_HELP1 + 2, IDS_DEVICE_HELP1, IDS_DEFAULTS_IN_PLACE})
        EXPECT_NE(Text(static_cast<int>(id)).find(Label(defaults)), std::wstring::npos)
            << "string " << id << " does not name \"" << Utf8(Label(defaults)) << "\"";
    // A restore says that Exit writes nothing, by the button's name.
    EXPECT_NE(Text(IDS_RESTORE_DONE).find(Text(IDS_EXIT_BUTTON)), std::wstring::npos)
        << "string " << IDS_RESTORE_DONE << " does not name \"" << Utf8(Text(IDS_EXIT_BUTTON)) << "\"";
    for (UINT id : {IDS_ADAPTER_HELP1 + 2, IDS_DEFAULTS_IN_PLACE, IDS_RATE_REFUSED})
        EXPECT_NE(Text(static_cast<int>(id)).find(Label(ok)), std::wstring::npos)
            << "string " << id << " does not name \"" << Utf8(Label(ok)) << "\"";
    // The device table shows string 44 too: it names the way to the adapter's own dialog.
    for (const std::wstring &menu : {Label(settings), Label(adapters)})
        EXPECT_NE(Text(IDS_DEFAULTS_IN_PLACE).find(menu), std::wstring::npos)
            << "string 44 does not name \"" << Utf8(menu) << "\"";
}

TEST_P(LanguageModule, PickersReadAsTheRowsThatOpenThem)
{
    // Rate code 0 reads as string 46 in the rows: its button says so, "Asynchronous (Off)" or "Off (asynchronous)".
    const std::wstring async = DialogText(module, IDD_RATE, IDC_RATE_BASE), off = Text(IDS_WORD_OFF);
    const size_t tail = async.size() - std::min(async.size(), off.size() + 2);
    EXPECT_TRUE(async.substr(tail) == L"(" + off + L")" || async.substr(tail) == L"\uFF08" + off + L"\uFF09" ||
                async.compare(0, off.size() + 2, off + L" (") == 0)
        << "\"" << Utf8(async) << "\" does not name string 46 beside the mode";

    // The value picker's prompt names the largest timeout that it takes.
    const std::wstring prompt = DialogText(module, IDD_VALUE, -1);
    EXPECT_NE(prompt.find(std::to_wstring(deviceFields[kTimeout].allowed)), std::wstring::npos) << Utf8(prompt);

    // A picker's caption is its row's label without the unit and the colon.
    const std::pair<int, int> pickers[] = {{IDD_YESNO_OPTION0, IDS_DEVICE_ROW0 + 2},
                                           {IDD_VALUE, IDS_DEVICE_ROW0 + 3},
                                           {IDD_YESNO_OPTION3, IDS_DEVICE_ROW0 + 6}};
    for (const auto &[id, row] : pickers) {
        const std::wstring caption = DialogText(module, id, 0), label = Text(row);
        std::wstring rest = label.substr(std::min(label.size(), caption.size()));
        const size_t open = rest.find_first_of(L"(\uFF08"), close = rest.find_first_of(L")\uFF09");
        if (open != std::wstring::npos && close != std::wstring::npos && open < close)
            rest.erase(open, close + 1 - open);
        EXPECT_TRUE(!caption.empty() && label.compare(0, caption.size(), caption) == 0 &&
                    rest.find_first_not_of(L" \u00A0:\uFF1A") == std::wstring::npos)
            << "template " << id << " is called \"" << Utf8(caption) << "\", its row \"" << Utf8(label) << "\"";
    }
}

TEST_P(LanguageModule, PunctuationFollowsTheLanguage)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_LANGUAGE_TAG), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    ASSERT_FALSE(languages.empty());
    const bool french = PRIMARYLANGID(languages[0]) == LANG_FRENCH;
    int narrow = 0, wide = 0;
    for (const std::wstring &text : Shown()) {
        for (size_t i = 0; i < text.size(); ++i) {
            narrow += text[i] == L'(';
            wide += text[i] == L'\uFF08';
            // French keeps a non-breaking space before the high signs, so that no line starts with one.
            if (french && wcschr(L":;?!", text[i])) {
                EXPECT_TRUE(i > 0 && (text[i - 1] == L'\u00A0' || text[i - 1] == L'\u202F'))
                    << "\"" << Utf8(text) << "\"";
            }
        }
    }
    EXPECT_FALSE(narrow && wide) << "parentheses of both widths";
}

TEST_P(LanguageModule, TemplateLanguageNamesTheModule)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_LANGUAGE_TAG), CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    ASSERT_EQ(languages.size(), 1u);
    WORD expected = ExpectedLanguage(GetParam());
    if (expected) {
        EXPECT_EQ(languages[0], expected);
    }
}

TEST_P(LanguageModule, EveryTemplateHasItsControlsAndItsTextsFit)
{
    for (const Template &t : Templates()) {
        HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(t.id), nullptr, QuietDlgProc, 0);
        ASSERT_NE(dialog, nullptr) << "template " << t.id;
        for (const Control &c : t.controls) {
            HWND control = GetDlgItem(dialog, c.id);
            ASSERT_NE(control, nullptr) << "template " << t.id << " control " << c.id;
            wchar_t cls[64];
            GetClassNameW(control, cls, 64);
            EXPECT_EQ(_wcsicmp(cls, c.cls), 0) << "template " << t.id << " control " << c.id;
            if (_wcsicmp(cls, L"ListBox") == 0) {
                LONG style = GetWindowLongW(control, GWL_STYLE);
                EXPECT_FALSE(style & LBS_SORT) << "template " << t.id << ": a line's place is its index";
                EXPECT_TRUE(style & LBS_NOTIFY) << "template " << t.id << ": double-clicks must arrive";
            }
        }
        // Every caption of a button or a text fits its control.
        HDC dc = GetDC(dialog);
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t cls[64], text[256];
            GetClassNameW(child, cls, 64);
            int length = GetWindowTextW(child, text, 256);
            bool button = _wcsicmp(cls, L"Button") == 0;
            if (length == 0 || (!button && _wcsicmp(cls, L"Static") != 0))
                continue;
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
            RECT box;
            GetClientRect(child, &box);
            RECT need = box;
            UINT flags = DT_CALCRECT | (button ? DT_SINGLELINE : DT_WORDBREAK);
            DrawTextW(dc, text, length, &need, flags);
            EXPECT_LE(need.right - need.left, box.right - box.left - (button ? 4 : 0))
                << "template " << t.id << ": \"" << Utf8(text) << "\" is too wide";
            EXPECT_LE(need.bottom - need.top, box.bottom - box.top)
                << "template " << t.id << ": \"" << Utf8(text) << "\" is too tall";
            SelectObject(dc, old);
        }
        ReleaseDC(dialog, dc);
        DestroyWindow(dialog);
    }
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_VALUE), nullptr,
                                                             QuietDlgProc, 0),
                                          IDC_VALUE_EDIT),
                               GWL_STYLE) & ES_NUMBER)
        << "the value entry takes digits only";
}

INSTANTIATE_TEST_SUITE_P(Installed, LanguageModule, testing::ValuesIn(LanguageModuleFiles()),
                         [](const testing::TestParamInfo<std::wstring> &info) {
                             std::string name;
                             for (wchar_t ch : info.param.substr(0, 3))
                                 name += static_cast<char>(ch);
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(LanguageModule);
