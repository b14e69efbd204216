// Start-up as a user meets it: ktrcfg.exe copied into a folder of its own
// with the modules given, and started from another folder that holds
// modules of its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "app/shell.h"
#include "language/module_file.h"
#include "language/resource_ids.h"
#include "tests/emulator_support.h"
#include "tests/program_support.h"
#include "tests/robot.h"

namespace {

std::wstring ProgramDir()
{
    wchar_t here[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, here);
    return here;
}

bool Exists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class ProgramCopy {
public:
    ProgramCopy()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const std::wstring base = std::wstring(temp) + L"ktrcfg-start-" + std::to_wstring(GetCurrentProcessId());
        folder = base + L"-program";
        elsewhere = base + L"-elsewhere";
        CreateDirectoryW(folder.c_str(), nullptr);
        CreateDirectoryW(elsewhere.c_str(), nullptr);
        Put(folder, ProgramDir() + L"\\ktrcfg.exe", L"ktrcfg.exe");
    }
    ~ProgramCopy()
    {
        for (const std::wstring &f : files) {
            DeleteFileW(f.c_str());
            DeleteFileW((f + L".ran").c_str());
        }
        RemoveDirectoryW(folder.c_str());
        RemoveDirectoryW(elsewhere.c_str());
    }
    void Put(const std::wstring &into, const std::wstring &from, const std::wstring &as)
    {
        const std::wstring to = into + L"\\" + as;
        EXPECT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << GetLastError();
        files.push_back(to);
    }
    std::wstring Program() const { return folder + L"\\ktrcfg.exe"; }
    std::wstring folder, elsewhere;
    std::vector<std::wstring> files;
};

}  // namespace

// A module without what start-up needs stops the program with one box and
// exit code 1, even when the current folder holds a whole module.
TEST(ProgramStart, WithoutAWholeLanguageModuleSaysSoAndEndsWithOne)
{
    std::vector<std::wstring> modules = {L"", FixtureModule(L"enb"), FixtureModule(L"mnu"),
                                         FixtureModule(L"nolanguagedialog"), FixtureModule(L"nostrings")};
    for (int id : {IDS_CAPTION, IDS_REG_PORT_PATH, IDS_REG_INTERRUPT, IDS_REG_IO_ADDRESS, IDS_DRIVER_NAME1,
                   IDS_DRIVER_NAME2, IDS_DRIVER_NAME3, IDS_REG_DRIVER, IDS_REG_BUS, IDS_REG_TARGET_PREFIX,
                   IDS_REG_IDENTIFIER, IDS_REG_TYPE})
        modules.push_back(FixtureModule((L"lacks" + std::to_wstring(id)).c_str()));
    for (const std::wstring &module : modules) {
        const std::string name = module.empty() ? "no module" : std::string(module.begin(), module.end());
        ProgramCopy copy;
        if (!module.empty())
            copy.Put(copy.folder, module, L"eng_lang.dll");
        copy.Put(copy.elsewhere, ProgramDir() + L"\\eng_lang.dll", L"eng_lang.dll");
        Robot robot;
        ASSERT_TRUE(robot.Launch(copy.Program(), copy.elsewhere));
        const std::wstring text = robot.AnswerMessageBox(10000);
        EXPECT_NE(text.find(L"eng_lang.dll"), std::wstring::npos) << name << ": " << std::string(text.begin(), text.end());
        ASSERT_TRUE(robot.WaitForExit()) << name;
        EXPECT_EQ(robot.ExitCode(), 1u) << name;
    }
}

// Modules load as data from the program's folder: the code of a planted
// module never runs, and one in the current folder is never taken.
TEST(ProgramStart, LanguageModulesAreReadAsDataFromTheProgramsFolderOnly)
{
    ASSERT_EQ(InstallDemoBench(), "");
    LoadLanguage();
    const std::wstring english = ModuleText(IDS_CAPTION);
    ProgramCopy copy;
    // The planted module's code leaves its marker whenever it runs.
    copy.Put(copy.elsewhere, FixtureModule(L"planted"), L"run_lang.dll");
    HMODULE ran = LoadLibraryW((copy.elsewhere + L"\\run_lang.dll").c_str());
    ASSERT_NE(ran, nullptr);
    FreeLibrary(ran);
    ASSERT_TRUE(Exists(copy.elsewhere + L"\\run_lang.dll.ran"));

    for (const std::wstring &shipped : LanguageModuleFiles())
        copy.Put(copy.folder, ProgramDir() + L"\\" + shipped, shipped);
    copy.Put(copy.folder, FixtureModule(L"planted"), L"pln_lang.dll");
    copy.Put(copy.elsewhere, FixtureModule(L"planted"), L"eng_lang.dll");
    copy.Put(copy.elsewhere, FixtureModule(L"planted"), L"xyz_lang.dll");

    Robot robot;
    ASSERT_TRUE(robot.Start(copy.Program(), copy.elsewhere));
    EXPECT_EQ(WindowText(robot.main), english) << "the module beside the program, not the current folder's";
    robot.Command(robot.main, IDM_LANGUAGE);
    HWND dialog = robot.DialogOver(robot.main);
    ASSERT_NE(dialog, nullptr);
    const std::size_t listed = LanguageModuleFiles().size() + 1;
    const std::vector<std::wstring> lines = robot.WaitForLines(GetDlgItem(dialog, IDC_LANGUAGE_LIST), listed);
    EXPECT_EQ(lines.size(), listed) << "the program's folder, not the current one";
    int planted = -1;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(L"English / UK") != std::wstring::npos)
            planted = static_cast<int>(i);
    ASSERT_GE(planted, 0);
    robot.DoubleClickRow(dialog, IDC_LANGUAGE_LIST, planted);
    robot.WaitClosed(dialog);
    EXPECT_TRUE(robot.Until([&] { return WindowText(GetDlgItem(robot.main, 0)) == L"Planted module"; }))
        << "the planted module's texts load";
    robot.Command(robot.main, 1);
    EXPECT_TRUE(robot.WaitForExit());
    for (const std::wstring &f : copy.files) {
        if (f.find(L"run_lang") == std::wstring::npos) {
            EXPECT_FALSE(Exists(f + L".ran")) << std::string(f.begin(), f.end()) << " ran";
        }
    }
}

TEST(ProgramStart, AMainWindowThatCannotBeCreatedSaysSo)
{
    // String 70 of the module, or the program's own words from a module without it.
    for (const wchar_t *fixture : {L"", L"start"}) {
        LoadLanguage();
        if (*fixture)
            languageModule = LoadModuleAsData(FixtureModule(fixture).c_str());
        const std::wstring expected =
            *fixture ? L"The main window of ktrcfg could not be created." : ModuleText(IDS_NO_MAIN_WINDOW);
        lstrcpyW(windowCaption, L"ktrcfg: a class never registered");
        MessageBoxWatcher boxes;
        EXPECT_EQ(CreateMainWindow(), nullptr);
        ASSERT_EQ(boxes.boxes.size(), 1u) << "the program would wait for a window that never comes";
        EXPECT_EQ(boxes.boxes[0].text, expected);
        EXPECT_EQ(boxes.boxes[0].icon, LoadIconW(nullptr, IDI_ERROR));
        ResetProgramState();
    }
}
