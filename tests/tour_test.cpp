// Pictures of the real program's windows, taken by tests/screenshot.sh on
// Wine's virtual desktop under Xvfb. Not a test of its own: without a
// display the windows are not drawn.
#include <gtest/gtest.h>

#include "language/resource_ids.h"
#include "tests/robot.h"

namespace {

std::wstring PictureFolder()
{
    wchar_t folder[MAX_PATH] = L".";
    GetEnvironmentVariableW(L"KTR_PICTURES", folder, MAX_PATH);
    return folder;
}

// The dialog that opens over the one given.
HWND NextDialog(Robot &robot, HWND under)
{
    for (int i = 0; i < 200; ++i) {
        HWND dialog = robot.WaitForDialog();
        if (dialog && dialog != under)
            return dialog;
    }
    return nullptr;
}

}  // namespace

TEST(Tour, DISABLED_Pictures)
{
    Robot robot;
    ASSERT_TRUE(robot.Start());
    const std::wstring out = PictureFolder() + L"\\\\";
    robot.Expose(robot.main);
    EXPECT_TRUE(robot.Snapshot(robot.main, out + L"main-window.bmp"));

    robot.Command(robot.main, IDM_ADAPTER_BASE + 1);
    HWND dialog = robot.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    robot.Expose(dialog);
    PostMessageW(GetDlgItem(dialog, IDC_ADAPTER_LIST), LB_SETCURSEL, 2, 0);
    EXPECT_TRUE(robot.Snapshot(dialog, out + L"adapter-dialog.bmp"));
    robot.DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
    HWND picker = NextDialog(robot, dialog);
    ASSERT_NE(picker, nullptr);
    robot.Expose(picker);
    EXPECT_TRUE(robot.Snapshot(picker, out + L"host-id-picker.bmp"));
    robot.Click(picker, IDCANCEL);
    robot.WaitClosed(picker);
    robot.Click(dialog, IDCANCEL);
    robot.WaitClosed(dialog);

    robot.Command(robot.main, IDM_DEVICE_TABLE_BASE + 1);
    HWND table = robot.WaitForDialog();
    ASSERT_NE(table, nullptr);
    robot.Expose(table);
    EXPECT_TRUE(robot.Snapshot(table, out + L"device-table.bmp"));
    robot.DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 7);  // the host adapter's own row
    HWND device = NextDialog(robot, table);
    ASSERT_NE(device, nullptr);
    robot.Expose(device);
    EXPECT_TRUE(robot.Snapshot(device, out + L"device-dialog-host.bmp"));
    robot.Click(device, IDCANCEL);
    robot.WaitClosed(device);
    robot.DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 0);
    device = NextDialog(robot, table);
    ASSERT_NE(device, nullptr);
    robot.DoubleClickRow(device, IDC_DEVICE_LIST, 0);
    HWND rate = NextDialog(robot, device);
    ASSERT_NE(rate, nullptr);
    robot.Expose(rate);
    EXPECT_TRUE(robot.Snapshot(rate, out + L"rate-picker.bmp"));
    robot.Click(rate, IDCANCEL);
    robot.WaitClosed(rate);
    robot.Click(device, IDCANCEL);
    robot.WaitClosed(device);
    robot.Click(table, IDCANCEL);
    robot.WaitClosed(table);

    // The main window and the device table in two more languages.
    for (const wchar_t *name : {L"rus_lang", L"chs_lang"}) {
        robot.Command(robot.main, IDM_LANGUAGE);
        HWND languages = robot.WaitForDialog();
        ASSERT_NE(languages, nullptr);
        robot.Expose(languages);
        if (lstrcmpW(name, L"rus_lang") == 0) {
            EXPECT_TRUE(robot.Snapshot(languages, out + L"language-dialog.bmp"));
        }
        int line = 0;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(L"???_lang.DLL", &found);
        for (int i = 0; search != INVALID_HANDLE_VALUE; ++i) {
            if (_wcsnicmp(found.cFileName, name, 8) == 0)
                line = i;
            if (!FindNextFileW(search, &found))
                break;
        }
        FindClose(search);
        robot.DoubleClickRow(languages, IDC_LANGUAGE_LIST, line);
        robot.WaitClosed(languages);
        robot.Expose(robot.main);
        const std::wstring tag(name, name + 3);
        EXPECT_TRUE(robot.Snapshot(robot.main, out + L"main-window-" + tag + L".bmp"));
        robot.Command(robot.main, IDM_DEVICE_TABLE_BASE + 1);
        table = robot.WaitForDialog();
        ASSERT_NE(table, nullptr);
        robot.Expose(table);
        EXPECT_TRUE(robot.Snapshot(table, out + L"device-table-" + tag + L".bmp"));
        robot.Click(table, IDCANCEL);
        robot.WaitClosed(table);
    }

    robot.Click(robot.main, 1);
    EXPECT_TRUE(robot.WaitForExit());
}
