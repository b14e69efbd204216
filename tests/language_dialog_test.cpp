// The language dialog, run on copies of language modules in a scratch
// folder that stands in for the program's folder (and is made current, so
// that the tests can list it as the platform does).
#include <gtest/gtest.h>

#include <algorithm>

#include "app/shell.h"
#include "language/language_selection.h"
#include "language/module_file.h"
#include "language/resource_ids.h"
#include "tests/modal_script.h"
#include "tests/program_support.h"

namespace {

std::wstring Prefix(unsigned primary, unsigned sub)
{
    wchar_t text[32];
    wsprintfW(text, L"%#02x, %#02x  ->  ", primary, sub);
    return text;
}

class ScratchFolder {
public:
    ScratchFolder()
    {
        GetCurrentDirectoryW(MAX_PATH, program);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        wsprintfW(folder, L"%sktrcfg-languages-%lu-%lu", temp, GetCurrentProcessId(), GetTickCount());
        CreateDirectoryW(folder, nullptr);
        SetCurrentDirectoryW(folder);
        lstrcpyW(before, programFolder);
        wsprintfW(programFolder, L"%s\\", folder);
    }
    ~ScratchFolder()
    {
        lstrcpyW(programFolder, before);
        SetCurrentDirectoryW(program);
        for (const std::wstring &name : files)
            DeleteFileW((std::wstring(folder) + L"\\" + name).c_str());
        RemoveDirectoryW(folder);
    }
    // A module of the program folder, or one of the tests' own.
    void Shipped(const wchar_t *name) { Copy(std::wstring(program) + L"\\" + name, name); }
    void Fixture(const wchar_t *fixture, const wchar_t *as)
    {
        Copy(std::wstring(KTR_FIXTURES) + L"\\" + fixture, as);
    }
    void Copy(const std::wstring &from, const wchar_t *as)
    {
        ASSERT_TRUE(CopyFileW(from.c_str(), (std::wstring(folder) + L"\\" + as).c_str(), FALSE)) << GetLastError();
        files.push_back(as);
    }
    void Text(const wchar_t *as)
    {
        HANDLE f = CreateFileW((std::wstring(folder) + L"\\" + as).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                               nullptr);
        DWORD put;
        WriteFile(f, "not a module\r\n", 14, &put, nullptr);
        CloseHandle(f);
        files.push_back(as);
    }
    std::vector<std::wstring> Listed() { return LanguageModuleFiles(); }
    wchar_t program[MAX_PATH];
    wchar_t folder[MAX_PATH];
    wchar_t before[MAX_PATH];
    std::vector<std::wstring> files;
};

class LanguageDialog : public testing::Test {
protected:
    void SetUp() override
    {
        LoadLanguage();
        lstrcpyW(languageModuleName, L"eng_lang");
        currentLcid = 1033;
        lstrcpyW(localeName, L"english");
        languageCount = 0;
    }
    INT_PTR Open()
    {
        return DialogBoxParamW(languageModule, MAKEINTRESOURCEW(IDD_LANGUAGE), nullptr, LanguageDlgProc, 0);
    }
    std::vector<std::wstring> Lines(HWND dialog)
    {
        PaintNow(dialog);
        return ListLines(GetDlgItem(dialog, IDC_LANGUAGE_LIST));
    }
    // Opens the dialog, double-clicks the line that begins as given, and
    // returns the dialog's result.
    INT_PTR ChooseLine(const std::wstring &begins)
    {
        script.Then([&, begins](HWND dialog) {
            std::vector<std::wstring> lines = Lines(dialog);
            auto it = std::find_if(lines.begin(), lines.end(),
                                   [&](const std::wstring &l) { return l.compare(0, begins.size(), begins) == 0; });
            ASSERT_NE(it, lines.end());
            DoubleClickRow(dialog, IDC_LANGUAGE_LIST, static_cast<int>(it - lines.begin()));
        });
        return Open();
    }
    ModalScript script;
    MessageBoxWatcher boxes;
};

}  // namespace

TEST_F(LanguageDialog, LinesNameEachModulesLanguageAndChoicesSetTheLocale)
{
    ScratchFolder scratch;
    scratch.Shipped(L"eng_lang.dll");
    scratch.Shipped(L"chs_lang.dll");
    scratch.Fixture(L"enb_lang.dll", L"enb_lang.dll");
    scratch.Fixture(L"neu_lang.dll", L"neu_lang.dll");
    scratch.Fixture(L"chk_lang.dll", L"chk_lang.dll");
    scratch.Fixture(L"nld_lang.dll", L"nld_lang.dll");
    scratch.Fixture(L"nor_lang.dll", L"nor_lang.dll");
    scratch.Fixture(L"ptg_lang.dll", L"ptg_lang.dll");
    std::vector<std::wstring> lines;
    script.Then([&](HWND dialog) {
        lines = Lines(dialog);
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(Open(), 0);
    std::sort(lines.begin(), lines.end());
    std::vector<std::wstring> expected = {
        Prefix(9, 1) + L"English",           Prefix(9, 2) + L"English / UK",
        Prefix(0, 0) + L" / ",               Prefix(4, 2) + L"Chinese / SimplifiedL",
        Prefix(4, 3) + L"Chinese / HongKong", Prefix(0x13, 1) + L"Dutch",
        Prefix(0x14, 1) + L"Norwegian",       Prefix(0x16, 2) + L"Português / Portuguese",
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);

    struct Choice {
        std::wstring line, module, locale;
        DWORD lcid;
    };
    const Choice choices[] = {
        {Prefix(4, 2), L"chs_lang", L"chinese-simplified", 0x0804}, {Prefix(4, 3), L"chk_lang", L"", 0x0C04},
        {Prefix(0x13, 1), L"nld_lang", L"", 0x0413},                 {Prefix(0x14, 1), L"nor_lang", L"", 0x0414},
        {Prefix(0x16, 2), L"ptg_lang", L"", 0x0816},                 {Prefix(9, 2), L"enb_lang", L"english", 0x0809},
        {Prefix(0, 0), L"neu_lang", L"", 0},                         {Prefix(9, 1), L"eng_lang", L"english", 0x0409},
    };
    for (const Choice &c : choices) {
        EXPECT_EQ(ChooseLine(c.line), 1);
        EXPECT_EQ(std::wstring(languageModuleName), c.module);
        EXPECT_EQ(std::wstring(localeName), c.locale);
        EXPECT_EQ(currentLcid, c.lcid);
    }
}

TEST_F(LanguageDialog, CancelAndOkOnAButtonLeaveTheLanguageAlone)
{
    ScratchFolder scratch;
    scratch.Shipped(L"eng_lang.dll");
    scratch.Shipped(L"rus_lang.dll");
    script.Then([](HWND dialog) {
        PaintNow(dialog);
        SendDlgItemMessageW(dialog, IDC_LANGUAGE_LIST, LB_SETCURSEL, 0, 0);
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(Open(), 0);
    script.Then([](HWND dialog) {
        PaintNow(dialog);
        SendDlgItemMessageW(dialog, IDC_LANGUAGE_LIST, LB_SETCURSEL, 1, 0);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(Open(), 1);
    EXPECT_STREQ(languageModuleName, L"eng_lang");
    EXPECT_EQ(currentLcid, 1033u);
    EXPECT_STREQ(localeName, L"english");
    script.Then([](HWND dialog) {
        PaintNow(dialog);
        SetFocus(GetDlgItem(dialog, IDC_LANGUAGE_LIST));
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);  // Enter with no line selected
    });
    EXPECT_EQ(Open(), 0);
    EXPECT_STREQ(languageModuleName, L"eng_lang");
    script.Then([](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, IDM_HELP, 0);
        PressButton(dialog, IDCANCEL);
    });
    Open();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, ModuleText(IDS_TABLE_HELP));
}

TEST_F(LanguageDialog, EveryPaintReadsTheFolderAgainAndLineIAlwaysChoosesModuleI)
{
    ScratchFolder scratch;
    scratch.Shipped(L"eng_lang.dll");
    scratch.Shipped(L"deu_lang.dll");
    std::vector<std::wstring> before, after;
    script.Then([&](HWND dialog) {
        before = Lines(dialog);
        scratch.Shipped(L"esp_lang.dll");  // copied in while the dialog is covered
        scratch.Shipped(L"rus_lang.dll");
        for (int i = 0; i < 10; ++i)
            after = Lines(dialog);
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_LANGUAGE_LIST, LB_GETCURSEL, 0, 0), LB_ERR);
        const std::vector<std::wstring> order = scratch.Listed();
        ASSERT_EQ(order.size(), after.size());
        for (size_t i = 0; i < order.size(); ++i)
            EXPECT_EQ(std::wstring(languages[i].moduleName), order[i].substr(0, 8)) << i;
        const auto russian = std::find(order.begin(), order.end(), std::wstring(L"rus_lang.dll")) - order.begin();
        DoubleClickRow(dialog, IDC_LANGUAGE_LIST, static_cast<int>(russian));
    });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(before.size(), 2u);
    EXPECT_EQ(after.size(), 4u);
    EXPECT_STREQ(languageModuleName, L"rus_lang");
    EXPECT_EQ(currentLcid, 0x0419u);
    EXPECT_STREQ(localeName, L"russian");
}

TEST_F(LanguageDialog, ListsTwentyModulesAtMost)
{
    ScratchFolder scratch;
    for (int i = 0; i < 23; ++i) {
        wchar_t name[16];
        wsprintfW(name, L"m%02d_lang.dll", i);
        scratch.Shipped(L"deu_lang.dll");
        MoveFileW(L"deu_lang.dll", name);
        scratch.files.back() = name;
    }
    std::vector<std::wstring> lines;
    script.Then([&](HWND dialog) {
        lines = Lines(dialog);
        PressButton(dialog, IDCANCEL);
    });
    Open();
    EXPECT_EQ(lines.size(), 20u);
    EXPECT_EQ(languageCount, 20);
}

TEST_F(LanguageDialog, AFileThatIsNoModuleEndsTheListWhereItStands)
{
    for (const wchar_t *bad : {L"nod_lang.dll", L"xyz_lang.dll"}) {
        ScratchFolder scratch;
        scratch.Shipped(L"eng_lang.dll");
        scratch.Shipped(L"deu_lang.dll");
        scratch.Fixture(L"two_lang.dll", L"two_lang.dll");
        if (lstrcmpW(bad, L"nod_lang.dll") == 0)
            scratch.Fixture(bad, bad);
        else
            scratch.Text(bad);
        std::vector<std::wstring> lines;
        DWORD error = 0;
        script.Then([&](HWND dialog) {
            lines = Lines(dialog);
            error = ListLanguageModules(dialog, IDC_LANGUAGE_LIST, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(104));
            PressButton(dialog, IDCANCEL);
        });
        Open();
        const std::vector<std::wstring> order = scratch.Listed();
        const size_t before = static_cast<size_t>(std::find(order.begin(), order.end(), std::wstring(bad)) - order.begin());
        EXPECT_EQ(lines.size(), before) << "the modules listed before it stay";
        EXPECT_EQ(languageCount, before);
        EXPECT_NE(error, 0u);
        for (const std::wstring &line : lines)
            EXPECT_EQ(line.find(L"Français"), std::wstring::npos) << "a module with two languages gets its first";
    }
}

TEST_F(LanguageDialog, EveryShippedModuleHasItsLineInFolderOrderAndThatLineChoosesIt)
{
    const struct {
        const wchar_t *module, *name;
        DWORD lcid;
        const wchar_t *locale;
    } shipped[] = {
        {L"eng_lang", L"English", 0x0409, L"english"},
        {L"deu_lang", L"Deutsch", 0x0407, L"german"},
        {L"esp_lang", L"Español", 0x040A, L"spanish"},
        {L"rus_lang", L"Russian", 0x0419, L"russian"},
        {L"chs_lang", L"Chinese / SimplifiedL", 0x0804, L"chinese-simplified"},
        {L"fra_lang", L"Français", 0x040C, L"french"},
        {L"ita_lang", L"Italiano", 0x0410, L"italian"},
        {L"jpn_lang", L"Japanese", 0x0411, L"japanese"},
    };
    const std::vector<std::wstring> files = LanguageModuleFiles();  // the program folder, in the platform's order
    ASSERT_EQ(files.size(), 8u);
    std::vector<std::wstring> lines;
    script.Then([&](HWND dialog) {
        lines = Lines(dialog);
        PressButton(dialog, IDCANCEL);
    });
    Open();
    ASSERT_EQ(lines.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const auto *s = std::find_if(std::begin(shipped), std::end(shipped),
                                     [&](const auto &m) { return _wcsnicmp(files[i].c_str(), m.module, 8) == 0; });
        ASSERT_NE(s, std::end(shipped)) << "line " << i;
        EXPECT_EQ(lines[i], Prefix(s->lcid & 0x3FF, s->lcid >> 10) + s->name) << "line " << i;
        script.Then([i](HWND dialog) {
            PaintNow(dialog);
            DoubleClickRow(dialog, IDC_LANGUAGE_LIST, static_cast<int>(i));
        });
        EXPECT_EQ(Open(), 1);
        EXPECT_EQ(std::wstring(languageModuleName), s->module) << "line " << i;
        EXPECT_EQ(currentLcid, s->lcid) << "line " << i;
        EXPECT_EQ(std::wstring(localeName), s->locale) << "line " << i;
    }
}
