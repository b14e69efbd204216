// The real program driven by the keyboard alone, with keystrokes that the
// platform delivers to the window in front, as a person's keyboard would:
// the road of one edit, and Escape out of every dialog and picker. Run by
// tests/on_desktop.sh on Wine's virtual desktop under Xvfb.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "emulator/bench/bench.h"
#include "language/resource_ids.h"
#include "tests/emulator_support.h"
#include "tests/program_support.h"
#include "tests/robot.h"

namespace {

// Presses the keys one after the other; a key given with VK_MENU before it
// is pressed with Alt held.
void Keys(Robot &robot, std::initializer_list<WORD> keys)
{
    bool alt = false;
    for (WORD key : keys) {
        if (key == VK_MENU) {
            alt = true;
            continue;
        }
        INPUT input[4] = {};
        int n = 0;
        auto add = [&](WORD vk, bool up) {
            input[n].type = INPUT_KEYBOARD;
            input[n].ki.wVk = vk;
            input[n].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
            input[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            ++n;
        };
        if (alt)
            add(VK_MENU, false);
        add(key, false);
        add(key, true);
        if (alt)
            add(VK_MENU, true);
        SendInput(static_cast<UINT>(n), input, sizeof(INPUT));
        alt = false;
        robot.Settle();
    }
}

class KeyboardTour : public testing::Test {
protected:
    void SetUp() override
    {
        LoadLanguage();
        ASSERT_EQ(InstallDemoBench(), "");
        ASSERT_TRUE(robot.Start());
        SetForegroundWindow(robot.main);
        robot.Settle();
        ASSERT_EQ(GetForegroundWindow(), robot.main) << "the keys would go elsewhere";
    }
    // Opens a dialog with the keys, then leaves it with Escape.
    void EscapeFrom(HWND under, std::initializer_list<WORD> keys, const char *what)
    {
        Keys(robot, keys);
        HWND dialog = robot.DialogOver(under);
        ASSERT_NE(dialog, nullptr) << what << " did not open";
        Keys(robot, {VK_ESCAPE});
        EXPECT_TRUE(robot.WaitClosed(dialog, 2000)) << "Escape left " << what << " open";
    }
    Robot robot;
};

}  // namespace

TEST_F(KeyboardTour, DISABLED_TheRoadOfOneEdit)
{
    std::vector<std::uint8_t> before;
    ASSERT_TRUE(ReadStoredImage(2, before));
    ASSERT_EQ(before[102], 8) << "entry 3 of adapter 1 is narrow in the bench";

    Keys(robot, {VK_MENU, 'S', 'D', VK_DOWN, VK_RETURN});  // Settings > Devices > the second adapter
    HWND table = robot.DialogOver(robot.main);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(robot.WaitForLines(GetDlgItem(table, IDC_DEVICE_TABLE_LIST), 16).size(), 16u);
    Keys(robot, {VK_HOME, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // row 3
    HWND device = robot.DialogOver(table);
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(robot.WaitForLines(GetDlgItem(device, IDC_DEVICE_LIST), 7).size(), 7u);
    Keys(robot, {VK_HOME, VK_DOWN, VK_RETURN});  // row 1, the width
    HWND width = robot.DialogOver(device);
    ASSERT_NE(width, nullptr);
    Keys(robot, {VK_TAB, VK_SPACE});  // 16 bits
    ASSERT_TRUE(robot.WaitClosed(width));
    Keys(robot, {VK_TAB, VK_RETURN});  // OK
    ASSERT_TRUE(robot.WaitClosed(device));
    Keys(robot, {VK_TAB, VK_RETURN});
    ASSERT_TRUE(robot.WaitClosed(table));
    Keys(robot, {VK_MENU, 'F', 'S'});  // File > Save
    EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_SAVED));
    Keys(robot, {VK_MENU, 'F', 'X'});  // File > Exit without saving
    ASSERT_TRUE(robot.WaitForExit());

    std::vector<std::uint8_t> after;
    ASSERT_TRUE(ReadStoredImage(2, after));
    EXPECT_EQ(after[102], 16);
    EXPECT_EQ(ReadPortCounts(2).writes, 1u);
}

TEST_F(KeyboardTour, DISABLED_EscapeLeavesEveryDialogAndPicker)
{
    // The first adapter has a device at ID 0: the picker disables its first button.
    Keys(robot, {VK_MENU, 'S', 'A', VK_RETURN});
    HWND adapter = robot.DialogOver(robot.main);
    ASSERT_NE(adapter, nullptr);
    ASSERT_EQ(robot.WaitForLines(GetDlgItem(adapter, IDC_ADAPTER_LIST), 4).size(), 4u);
    EscapeFrom(adapter, {VK_HOME, VK_DOWN, VK_DOWN, VK_RETURN}, "the host ID picker");
    Keys(robot, {VK_ESCAPE});
    EXPECT_TRUE(robot.WaitClosed(adapter)) << "Escape left the adapter dialog open";

    Keys(robot, {VK_MENU, 'S', 'D', VK_RETURN});
    HWND table = robot.DialogOver(robot.main);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(robot.WaitForLines(GetDlgItem(table, IDC_DEVICE_TABLE_LIST), 16).size(), 16u);
    Keys(robot, {VK_HOME, VK_DOWN, VK_RETURN});  // row 1
    HWND device = robot.DialogOver(table);
    ASSERT_NE(device, nullptr);
    const char *pickers[] = {"the rate picker", "the width picker", "a yes/no picker", "the value entry",
                             "a yes/no picker", "a yes/no picker", "a yes/no picker"};
    for (int row = 0; row < 7; ++row) {
        Keys(robot, {VK_HOME});
        for (int down = 0; down < row; ++down)
            Keys(robot, {VK_DOWN});
        EscapeFrom(device, {VK_RETURN}, pickers[row]);
    }
    Keys(robot, {VK_ESCAPE});
    EXPECT_TRUE(robot.WaitClosed(device)) << "Escape left the device dialog open";
    Keys(robot, {VK_ESCAPE});
    EXPECT_TRUE(robot.WaitClosed(table)) << "Escape left the device table open";

    EscapeFrom(robot.main, {VK_MENU, 'S', 'L'}, "the language dialog");
    Keys(robot, {VK_MENU, 'F', 'X'});
    EXPECT_TRUE(robot.WaitForExit());
    EXPECT_EQ(ReadPortCounts(1).writes + ReadPortCounts(2).writes + ReadPortCounts(3).writes, 0u);
}
