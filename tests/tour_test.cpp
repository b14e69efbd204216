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
    HWND picker = nullptr;
    for (int i = 0; i < 100 && (!picker || picker == dialog); ++i)
        picker = robot.WaitForDialog();
    ASSERT_NE(picker, dialog);
    robot.Expose(picker);
    EXPECT_TRUE(robot.Snapshot(picker, out + L"host-id-picker.bmp"));
    robot.Click(picker, IDCANCEL);
    robot.WaitClosed(picker);
    robot.Click(dialog, IDCANCEL);
    robot.WaitClosed(dialog);
    robot.Click(robot.main, 1);
    EXPECT_TRUE(robot.WaitForExit());
}
