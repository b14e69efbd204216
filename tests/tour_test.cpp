// Pictures of the real program's windows, taken by tests/on_desktop.sh on
// Wine's virtual desktop under Xvfb: every window in English, German and
// Russian, the main window and the device table in each other language and
// at larger fonts. Not a test of its own: without a display the windows are
// not drawn.
#include <gtest/gtest.h>

#include "language/resource_ids.h"
#include "tests/program_support.h"
#include "tests/robot.h"

namespace {

std::wstring PictureFolder()
{
    wchar_t folder[MAX_PATH] = L".";
    GetEnvironmentVariableW(L"KTR_PICTURES", folder, MAX_PATH);
    return std::wstring(folder) + L"\\";
}

class Camera {
public:
    Camera(Robot &robot, const std::wstring &language) : robot(robot), suffix(language.empty() ? L"" : L"-" + language) {}
    void Take(HWND window, const wchar_t *name)
    {
        ASSERT_NE(window, nullptr) << "no window for a picture";
        robot.Expose(window);
        EXPECT_TRUE(robot.Snapshot(window, PictureFolder() + name + suffix + L".bmp"));
    }
    // Opens a picker from a row of the dialog, takes its picture and leaves it with Cancel.
    void Picker(HWND dialog, int listId, int row, const wchar_t *name)
    {
        robot.DoubleClickRow(dialog, listId, row);
        HWND picker = robot.DialogOver(dialog);
        Take(picker, name);
        robot.Click(picker, IDCANCEL);
        robot.WaitClosed(picker);
    }
    Robot &robot;
    std::wstring suffix;
};

void SwitchLanguage(Robot &robot, const wchar_t *module, Camera *camera)
{
    robot.Command(robot.main, IDM_LANGUAGE);
    HWND languages = robot.DialogOver(robot.main);
    ASSERT_NE(languages, nullptr);
    if (camera)
        camera->Take(languages, L"language-dialog");
    const int line = LanguageLineOf(module);
    robot.DoubleClickRow(languages, IDC_LANGUAGE_LIST, line);
    robot.WaitClosed(languages);
}

void EveryWindow(Robot &robot, Camera &camera)
{
    camera.Take(robot.main, L"main-window");

    robot.Command(robot.main, IDM_ADAPTER_BASE + 1);
    HWND dialog = robot.DialogOver(robot.main);
    robot.WaitForLines(GetDlgItem(dialog, IDC_ADAPTER_LIST), 4);
    camera.Take(dialog, L"adapter-dialog");
    camera.Picker(dialog, IDC_ADAPTER_LIST, 2, L"host-id-picker");
    robot.Click(dialog, IDCANCEL);
    robot.WaitClosed(dialog);

    robot.Command(robot.main, IDM_DEVICE_TABLE_BASE + 1);
    HWND table = robot.DialogOver(robot.main);
    robot.WaitForLines(GetDlgItem(table, IDC_DEVICE_TABLE_LIST), 16);
    camera.Take(table, L"device-table");
    robot.DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 7);  // the host adapter's own row: mixed widths
    HWND device = robot.DialogOver(table);
    camera.Take(device, L"device-dialog-host");
    robot.Click(device, IDCANCEL);
    robot.WaitClosed(device);
    robot.DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 0);
    device = robot.DialogOver(table);
    camera.Take(device, L"device-dialog");
    camera.Picker(device, IDC_DEVICE_LIST, 0, L"rate-picker");
    camera.Picker(device, IDC_DEVICE_LIST, 1, L"width-picker");
    camera.Picker(device, IDC_DEVICE_LIST, 2, L"yes-no-picker");
    camera.Picker(device, IDC_DEVICE_LIST, 3, L"value-entry");
    robot.Click(device, IDCANCEL);
    robot.WaitClosed(device);
    robot.Click(table, IDCANCEL);
    robot.WaitClosed(table);
}

std::wstring TextOf(HWND window)
{
    wchar_t text[256] = {};
    SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));  // of a control in another process
    return text;
}

// Every control of the window lies whole inside its client area.
void ExpectControlsInside(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&r), 2);
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
            << "control " << GetDlgCtrlID(child) << " reaches " << r.right << "," << r.bottom << " of "
            << client.right << "," << client.bottom;
    }
}

// The main window and the second adapter's device table, in the texts of the
// module given, every control within its window.
void MainWindowAndTable(Robot &robot, Camera &camera, const wchar_t *module)
{
    HMODULE texts = LoadLibraryExW(module, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(texts, nullptr);
    for (int id : {IDS_SAVE_BUTTON, IDS_EXIT_BUTTON}) {  // a language change ends with its new controls
        wchar_t label[256] = {};
        LoadStringW(texts, static_cast<UINT>(id), label, 256);
        const auto shown = [&] { return TextOf(GetDlgItem(robot.main, id - IDS_SAVE_BUTTON)); };
        EXPECT_TRUE(robot.Until([&] { return shown() == label; })) << "string " << id << ": " << shown();
    }
    FreeLibrary(texts);
    ExpectControlsInside(robot.main);
    camera.Take(robot.main, L"main-window");
    robot.Command(robot.main, IDM_DEVICE_TABLE_BASE + 1);
    HWND table = robot.DialogOver(robot.main);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(robot.WaitForLines(GetDlgItem(table, IDC_DEVICE_TABLE_LIST), 16).size(), 16u);
    ExpectControlsInside(table);
    camera.Take(table, L"device-table");
    robot.Click(table, IDCANCEL);
    robot.WaitClosed(table);
}

}  // namespace

TEST(Tour, DISABLED_Pictures)
{
    Robot robot;
    ASSERT_TRUE(robot.Start());
    for (const wchar_t *language : {L"", L"deu", L"rus"}) {
        if (*language)
            SwitchLanguage(robot, (std::wstring(language) + L"_lang").c_str(), nullptr);
        Camera camera(robot, language);
        EveryWindow(robot, camera);
    }
    robot.Click(robot.main, 1);
    EXPECT_TRUE(robot.WaitForExit());
}

// The main window and the device table in the language whose module
// KTR_TOUR_MODULE names ("chs", say), and the language dialog that chose it.
// A language of another script is pictured on a platform whose code page is
// that script's: the fixed system font has its glyphs there.
TEST(Tour, DISABLED_OneLanguage)
{
    wchar_t module[16] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"KTR_TOUR_MODULE", module, 16), 0u);
    Robot robot;
    ASSERT_TRUE(robot.Start());
    Camera english(robot, L"");
    SwitchLanguage(robot, (std::wstring(module) + L"_lang").c_str(), &english);
    Camera camera(robot, module);
    MainWindowAndTable(robot, camera, (std::wstring(module) + L"_lang.dll").c_str());
    robot.Click(robot.main, 1);
    EXPECT_TRUE(robot.WaitForExit());
}

TEST(Tour, DISABLED_LargeFonts)
{
    Robot robot;
    ASSERT_TRUE(robot.Start());
    HDC screen = GetDC(nullptr);
    const std::wstring dpi = std::to_wstring(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    Camera camera(robot, dpi);
    MainWindowAndTable(robot, camera, L"eng_lang.dll");
    robot.Click(robot.main, 1);
    EXPECT_TRUE(robot.WaitForExit());
}
