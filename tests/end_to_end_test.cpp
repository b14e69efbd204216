// The real ktrcfg.exe against the emulator's demo bench, driven by the robot
// the way a person uses it; the emulator's stored images show what reached
// the adapters.
#include <gtest/gtest.h>

#include <cstring>

#include "emulator/bench/bench.h"
#include "emulator/bench_format.h"
#include "language/resource_ids.h"
#include "store/settings_image.h"
#include "tests/emulator_support.h"
#include "tests/program_support.h"
#include "tests/robot.h"

namespace {

SettingsImage Stored(int port)
{
    std::vector<std::uint8_t> bytes;
    SettingsImage image = {};
    if (ReadStoredImage(port, bytes))
        std::memcpy(&image, bytes.data(), kImageSize);
    return image;
}

class EndToEnd : public testing::Test {
protected:
    void SetUp() override
    {
        LoadLanguage();
        ASSERT_EQ(InstallDemoBench(), "");
        ASSERT_TRUE(robot.Start());
    }
    Robot robot;
};

}  // namespace

TEST_F(EndToEnd, AdapterDialogEditsAndDefaultsReachTheAdapters)
{
    const SettingsImage narrowBefore = Stored(1), wideBefore = Stored(2);
    robot.Expose(robot.main);
    ASSERT_EQ(robot.WaitForLines(GetDlgItem(robot.main, 2), 3).size(), 3u);

    // Adapter 0 (port 1, narrow): toggle the first option, pick host ID 6.
    robot.Command(robot.main, IDM_ADAPTER_BASE + 0);
    HWND dialog = robot.DialogOver(robot.main);
    ASSERT_NE(dialog, nullptr);
    ASSERT_FALSE(robot.IsMessageBox(dialog));
    HWND list = GetDlgItem(dialog, IDC_ADAPTER_LIST);
    ASSERT_EQ(robot.WaitForLines(list, 4).size(), 4u);
    robot.DoubleClickRow(dialog, IDC_ADAPTER_LIST, 0);
    robot.DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
    HWND picker = robot.DialogOver(dialog);
    ASSERT_NE(picker, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(picker, IDC_HOST_ID_BASE + 5))) << "a device is listed at ID 5";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(picker, IDC_HOST_ID_BASE + 9))) << "a narrow adapter";
    ASSERT_TRUE(IsWindowEnabled(GetDlgItem(picker, IDC_HOST_ID_BASE + 6)));
    robot.Click(picker, IDC_HOST_ID_BASE + 6);
    ASSERT_TRUE(robot.WaitClosed(picker));
    const std::wstring picked = ModuleText(IDS_ADAPTER_ROW0 + 2) + L"  6\t";
    const auto shows = [&](const std::vector<std::wstring> &rows) { return rows.size() == 4 && rows[2] == picked; };
    EXPECT_TRUE(shows(robot.WaitForLines(list, shows))) << "the host ID row shows the ID picked";
    robot.Click(dialog, IDOK);
    ASSERT_TRUE(robot.WaitClosed(dialog));

    // Adapter 2 (port 3): its stored image was invalid, so edits are refused
    // until Defaults and OK.
    robot.Command(robot.main, IDM_ADAPTER_BASE + 2);
    dialog = robot.DialogOver(robot.main);
    ASSERT_NE(dialog, nullptr);
    robot.DoubleClickRow(dialog, IDC_ADAPTER_LIST, 1);
    EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_DEFAULTS_IN_PLACE));
    robot.Click(dialog, IDC_DEFAULTS);
    robot.Click(dialog, IDOK);
    ASSERT_TRUE(robot.WaitClosed(dialog));
    robot.Command(robot.main, IDM_ADAPTER_BASE + 2);
    dialog = robot.DialogOver(robot.main);
    ASSERT_NE(dialog, nullptr);
    robot.DoubleClickRow(dialog, IDC_ADAPTER_LIST, 1);
    EXPECT_EQ(robot.DialogOver(dialog, 500), nullptr) << "editable after Defaults and OK: no warning";
    robot.Click(dialog, IDOK);
    ASSERT_TRUE(robot.WaitClosed(dialog));

    // Save: string 7, and the program ends.
    robot.Click(robot.main, 0);
    EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_SAVED));
    ASSERT_TRUE(robot.WaitForExit());

    const SettingsImage narrow = Stored(1), wide = Stored(2), fixed = Stored(3);
    EXPECT_EQ(narrow.adapterFlags.get(), narrowBefore.adapterFlags.get() ^ 1);
    EXPECT_EQ(narrow.hostId, 6);
    EXPECT_EQ(std::memcmp(&narrow.deviceTable, &narrowBefore.deviceTable, sizeof(narrow.deviceTable)), 0);
    EXPECT_EQ(std::memcmp(&wide, &wideBefore, kImageSize), 0) << "an adapter not edited is not written";
    EXPECT_EQ(ReadPortCounts(2).writes, 0u);
    EXPECT_EQ(fixed.adapterFlags.get(), 0x0005) << "Defaults stored 7, then the second row turned bit 1 off";
    EXPECT_EQ(fixed.hostId, 7);
    EXPECT_EQ(fixed.deviceTable[0].syncCode.get(), 100) << "defaults for chip 3";
    for (int port : {1, 2, 3})
        EXPECT_EQ(ReadPortCounts(port).reads, port == 2 ? 1u : 2u) << "a written adapter is read again first";
}

namespace {

// Opens the device table of an adapter, then the device dialog on a row,
// and chooses a width there; OK in both.
void ChooseWidth(Robot &robot, int adapter, int row, int widthButton)
{
    robot.Command(robot.main, IDM_DEVICE_TABLE_BASE + adapter);
    HWND table = robot.DialogOver(robot.main);
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(robot.WaitForLines(GetDlgItem(table, IDC_DEVICE_TABLE_LIST), 16).size(), 16u);
    robot.DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, row);
    HWND device = robot.DialogOver(table);
    ASSERT_NE(device, nullptr);
    robot.DoubleClickRow(device, IDC_DEVICE_LIST, 1);
    HWND width = robot.DialogOver(device);
    ASSERT_NE(width, nullptr);
    robot.Click(width, widthButton);
    ASSERT_TRUE(robot.WaitClosed(width));
    robot.Click(device, IDOK);
    ASSERT_TRUE(robot.WaitClosed(device));
    robot.Click(table, IDOK);
    ASSERT_TRUE(robot.WaitClosed(table));
}

std::vector<std::uint8_t> StoredBytes(int port)
{
    std::vector<std::uint8_t> bytes;
    ReadStoredImage(port, bytes);
    return bytes;
}

}  // namespace

TEST_F(EndToEnd, TheRoadOfOneEdit)
{
    const std::vector<std::uint8_t> before[3] = {StoredBytes(1), StoredBytes(2), StoredBytes(3)};
    ASSERT_EQ(before[1][102], 8) << "entry 3 of adapter 1 is narrow in the bench";
    ClearHistory();
    ChooseWidth(robot, 1, 3, IDC_WIDTH_WIDE);
    robot.Click(robot.main, 0);
    EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_SAVED));
    ASSERT_TRUE(robot.WaitForExit());

    const std::vector<std::uint8_t> after = StoredBytes(2);
    for (size_t at = 0; at < kImageSize; ++at) {
        const bool cleared = at >= 20 && at < 76 && (at - 20) % 14 != 8 && (at - 20) % 14 != 9;
        if (at == 102) {
            EXPECT_EQ(after[at], 16);
        } else if (!cleared) {
            ASSERT_EQ(after[at], before[1][at]) << "byte " << at;
        }
    }
    EXPECT_EQ(StoredBytes(1), before[0]);
    EXPECT_EQ(StoredBytes(3), before[2]);
    EXPECT_EQ(ReadPortCounts(2).writes, 1u);
    EXPECT_EQ(ReadPortCounts(1).writes + ReadPortCounts(3).writes, 0u);
    // What the adapter held before, bytes that the window clears included, kept as ktrcli keeps it.
    ASSERT_EQ(KeptFiles(-1), std::vector<std::wstring>{KeptFiles(2).at(0)});
    const KeptFile kept = ReadKept(KeptFiles(2)[0]);
    EXPECT_EQ(kept.image, before[1]);
    EXPECT_EQ(kept.changedBy + " " + kept.action, "ktrcfg save");
}

TEST_F(EndToEnd, AWidthChosenOnTheHostsRowReachesEveryDevice)
{
    const std::vector<std::uint8_t> before = StoredBytes(2);
    ChooseWidth(robot, 1, 7, IDC_WIDTH_NARROW);
    robot.Click(robot.main, 0);
    EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_SAVED));
    ASSERT_TRUE(robot.WaitForExit());
    const std::vector<std::uint8_t> after = StoredBytes(2);
    for (size_t at = 0; at < kImageSize; ++at) {
        if (at >= 76 && at < 204 && (at - 76) % 8 == 2) {
            EXPECT_EQ(after[at], 8) << "entry " << (at - 76) / 8;
        } else {
            ASSERT_EQ(after[at], before[at]) << "byte " << at;
        }
    }
}

TEST_F(EndToEnd, TheLanguageMenuListsEveryModuleAndEachChangesTheTexts)
{
    const wchar_t *modules[] = {L"rus_lang", L"chs_lang", L"deu_lang", L"esp_lang",
                                L"fra_lang", L"ita_lang", L"jpn_lang", L"eng_lang"};
    for (const wchar_t *name : modules) {
        robot.Command(robot.main, IDM_LANGUAGE);
        HWND dialog = robot.DialogOver(robot.main);
        ASSERT_NE(dialog, nullptr);
        robot.Expose(dialog);
        ASSERT_EQ(robot.WaitForLines(GetDlgItem(dialog, IDC_LANGUAGE_LIST), 8).size(), 8u)
            << "every module of the program folder";
        const int line = LanguageLineOf(name);
        ASSERT_GE(line, 0);
        robot.DoubleClickRow(dialog, IDC_LANGUAGE_LIST, line);
        ASSERT_TRUE(robot.WaitClosed(dialog));

        HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        wchar_t expected[256] = {};
        LoadStringW(module, IDS_SAVE_BUTTON, expected, 256);
        EXPECT_TRUE(robot.Until([&] { return WindowText(GetDlgItem(robot.main, 0)) == expected; }))
            << "the Save button in the module's words: " << WindowText(GetDlgItem(robot.main, 0));
        robot.Command(robot.main, IDM_ADAPTER_BASE + 1);
        HWND adapter = robot.DialogOver(robot.main);
        ASSERT_NE(adapter, nullptr);
        const std::vector<std::wstring> rows = robot.WaitForLines(GetDlgItem(adapter, IDC_ADAPTER_LIST), 4);
        LoadStringW(module, IDS_ADAPTER_ROW0, expected, 256);
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_EQ(rows[0].substr(0, lstrlenW(expected)), expected);
        robot.Click(adapter, IDCANCEL);
        ASSERT_TRUE(robot.WaitClosed(adapter));
        FreeLibrary(module);
    }
    robot.Click(robot.main, 1);
    EXPECT_TRUE(robot.WaitForExit());
}

namespace {

// Toggles the first option of adapter 0 through its dialog.
void EditAdapter0(Robot &robot)
{
    robot.Command(robot.main, IDM_ADAPTER_BASE);
    HWND dialog = robot.DialogOver(robot.main);
    ASSERT_NE(dialog, nullptr);
    robot.DoubleClickRow(dialog, IDC_ADAPTER_LIST, 0);
    robot.Click(dialog, IDOK);
    ASSERT_TRUE(robot.WaitClosed(dialog));
}

DWORD AllWrites()
{
    return ReadPortCounts(1).writes + ReadPortCounts(2).writes + ReadPortCounts(3).writes;
}

}  // namespace

TEST_F(EndToEnd, EveryEndingPathWritesWhatItShould)
{
    // Save button: the edited adapter is written, string 7, the program ends.
    EditAdapter0(robot);
    robot.Click(robot.main, 0);
    EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_SAVED));
    ASSERT_TRUE(robot.WaitForExit());
    EXPECT_EQ(ReadPortCounts(1).writes, 1u);
    EXPECT_EQ(AllWrites(), 1u);

    // Exit button, menu exit and the close box: nothing written, no message.
    const struct {
        const char *how;
        int kind;
    } others[] = {{"exit button", 0}, {"menu exit", 1}, {"close box", 2}};
    for (const auto &path : others) {
        ASSERT_EQ(InstallDemoBench(), "");
        Robot another;
        ASSERT_TRUE(another.Start());
        EditAdapter0(another);
        if (path.kind == 0)
            another.Click(another.main, 1);
        else if (path.kind == 1)
            another.Command(another.main, IDM_EXIT);
        else
            PostMessageW(another.main, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(another.EndsWithoutMessageBox()) << path.how;
        EXPECT_EQ(AllWrites(), 0u) << path.how;
    }
}

TEST_F(EndToEnd, AFailedWriteIsReportedAndARetryWrites)
{
    EditAdapter0(robot);
    std::string error;
    ASSERT_TRUE(SetPortFaults(1, KTREMU_FAULT_WRITE_FAILS, error));
    robot.Click(robot.main, 0);
    const std::wstring warning = robot.AnswerMessageBox();
    EXPECT_NE(warning, ModuleText(IDS_SAVED)) << "no false confirmation";
    EXPECT_NE(warning.find(L"KTR-A0060"), std::wstring::npos) << "the warning names the adapter";
    EXPECT_FALSE(robot.WaitForExit(500)) << "the program stays open";
    EXPECT_EQ(AllWrites(), 0u);
    ASSERT_TRUE(SetPortFaults(1, 0, error));
    robot.Click(robot.main, 0);
    EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_SAVED));
    ASSERT_TRUE(robot.WaitForExit());
    EXPECT_EQ(ReadPortCounts(1).writes, 1u);
}

TEST_F(EndToEnd, AnInvalidImageBecomesValidAndTheListFollowsAfterTheSave)
{
    HWND list = GetDlgItem(robot.main, 2);
    auto state = [&]() -> std::wstring {
        robot.Expose(robot.main);
        std::vector<std::wstring> lines = robot.Lines(list);
        if (lines.size() != 3)
            return L"(" + std::to_wstring(lines.size()) + L" lines)";
        return lines[2].substr(lines[2].rfind(L'\t') + 1);
    };
    EXPECT_EQ(state(), ModuleText(IDS_WORD_NO));
    robot.Command(robot.main, IDM_DEVICE_TABLE_BASE + 2);
    HWND table = robot.DialogOver(robot.main);
    ASSERT_NE(table, nullptr);
    robot.DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 0);
    EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_DEFAULTS_IN_PLACE));
    robot.Click(table, IDCANCEL);
    ASSERT_TRUE(robot.WaitClosed(table));
    robot.Command(robot.main, IDM_ADAPTER_BASE + 2);
    HWND dialog = robot.DialogOver(robot.main);
    ASSERT_NE(dialog, nullptr);
    robot.Click(dialog, IDC_DEFAULTS);
    robot.Click(dialog, IDOK);
    ASSERT_TRUE(robot.WaitClosed(dialog));
    EXPECT_EQ(state(), ModuleText(IDS_WORD_NO)) << "the list shows the stored state until a save";
    robot.Command(robot.main, IDM_SAVE);
    EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_SAVED));
    EXPECT_EQ(state(), ModuleText(IDS_WORD_YES));
    EXPECT_EQ(Stored(3).adapterFlags.get(), 0x0007);
    robot.Click(robot.main, 1);
    EXPECT_TRUE(robot.WaitForExit());
}

TEST_F(EndToEnd, ATypedValueReachesTheAdapter)
{
    robot.Command(robot.main, IDM_DEVICE_TABLE_BASE + 1);
    HWND table = robot.DialogOver(robot.main);
    ASSERT_NE(table, nullptr);
    robot.DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 5);
    HWND device = robot.DialogOver(table);
    ASSERT_NE(device, nullptr);
    robot.DoubleClickRow(device, IDC_DEVICE_LIST, 3);
    HWND value = robot.DialogOver(device);
    ASSERT_NE(value, nullptr);
    robot.Type(GetDlgItem(value, IDC_VALUE_EDIT), L"4x2");  // the entry takes digits only
    robot.Click(value, IDOK);
    ASSERT_TRUE(robot.WaitClosed(value));
    robot.Click(device, IDOK);
    ASSERT_TRUE(robot.WaitClosed(device));
    robot.Click(table, IDOK);
    ASSERT_TRUE(robot.WaitClosed(table));
    robot.Click(robot.main, 0);
    EXPECT_EQ(robot.AnswerMessageBox(), ModuleText(IDS_SAVED));
    ASSERT_TRUE(robot.WaitForExit());
    EXPECT_EQ(Stored(2).deviceTable[5].deviceValue.get(), 42);
}
