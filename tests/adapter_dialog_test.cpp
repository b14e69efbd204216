// The adapter dialog and the host ID picker, from the English module's
// templates, driven by messages inside their modal loops.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "app/shell.h"
#include "dialogs/dialogs.h"
#include "discovery/device_map.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "tests/modal_script.h"
#include "tests/program_support.h"

namespace {

std::wstring Row(UINT label, const std::wstring &value)
{
    return ModuleText(label) + L"  " + value;
}

class AdapterDialog : public testing::Test {
protected:
    void SetUp() override
    {
        LoadLanguage();
        ResetProgramState();
        adapterCount = 2;
        currentAdapter = 1;
        AdapterRecord &r = workingRecords[1];
        r.chipType = 13;
        r.imageLength = 1260;
        r.image.adapterFlags.set(0x0005);
        r.image.adapterOption.set(0);
        r.image.hostId = 7;
        AddDeviceMap(0, 1, {});
        AddDeviceMap(1, 2, {0, 3, 7});
    }
    void TearDown() override { ResetProgramState(); }

    INT_PTR Open() { return DialogBoxParamW(languageModule, MAKEINTRESOURCEW(IDD_ADAPTER), nullptr, AdapterDlgProc, 0); }
    std::vector<std::wstring> Rows(HWND dialog)
    {
        PaintNow(dialog);
        return ListLines(GetDlgItem(dialog, IDC_ADAPTER_LIST));
    }

    ModalScript script;
    MessageBoxWatcher boxes;
};

}  // namespace

TEST_F(AdapterDialog, RowsShowTheEditBufferAndOkWritesIt)
{
    workingRecords[1].image.adapterOption.set(2);
    std::vector<std::wstring> before, after;
    script.Then([&](HWND dialog) {
        before = Rows(dialog);
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 0);
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 1);
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 3);
        after = Rows(dialog);
        EXPECT_EQ(workingRecords[1].image.adapterFlags.get(), 0x0005) << "nothing reaches the record before OK";
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(Open(), 1);
    ASSERT_EQ(before.size(), 4u);
    EXPECT_EQ(before[0], Row(IDS_ADAPTER_ROW0, ModuleText(IDS_WORD_ON)));
    EXPECT_EQ(before[1], Row(IDS_ADAPTER_ROW0 + 1, ModuleText(IDS_WORD_DISABLED)));
    EXPECT_EQ(before[2], Row(IDS_ADAPTER_ROW0 + 2, L"7\t"));
    EXPECT_EQ(before[3], Row(IDS_ADAPTER_ROW0 + 3, ModuleText(IDS_WORD_EXTENDED))) << "option word 2";
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[0], Row(IDS_ADAPTER_ROW0, ModuleText(IDS_WORD_OFF)));
    EXPECT_EQ(after[1], Row(IDS_ADAPTER_ROW0 + 1, ModuleText(IDS_WORD_ENABLED)));
    EXPECT_EQ(after[3], Row(IDS_ADAPTER_ROW0 + 3, ModuleText(IDS_WORD_EXTENDED))) << "3 is still not 0";
    EXPECT_EQ(workingRecords[1].image.adapterFlags.get(), 0x0006);
    EXPECT_EQ(workingRecords[1].image.adapterOption.get(), 3);
    EXPECT_EQ(workingRecords[1].modified, 1);
    EXPECT_EQ(savedRecords[1].image.adapterFlags.get(), 0) << "nothing reaches savedRecords before a save";
}

TEST_F(AdapterDialog, EnterInTheListActsWhileTheOkButtonCloses)
{
    bool stillOpen = false;
    script.Then([&](HWND dialog) {
        PaintNow(dialog);
        HWND list = GetDlgItem(dialog, IDC_ADAPTER_LIST);
        stillOpen = EnterOnRow(dialog, IDC_ADAPTER_LIST, 0);
        EXPECT_EQ(editAdapterFlags, 0x0004);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ADAPTER_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        EXPECT_EQ(GetFocus(), list);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(Open(), 1);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(workingRecords[1].image.adapterFlags.get(), 0x0004);
}

TEST_F(AdapterDialog, RefusesEditsWhileDefaultsStandInUntilDefaultsAndOk)
{
    workingRecords[1].image.adapterFlags.set(0x000F);
    workingRecords[1].image.hostId = 3;
    workingRecords[1].image.adapterOption.set(1);
    // Defaults, then Cancel: nothing of the defaults is kept, or written at the next save.
    script.Then([](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, IDC_DEFAULTS, 0);
        PumpMessages();
        PressButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(workingRecords[1].modified, 0);
    script.Then([&](HWND dialog) {
        PaintNow(dialog);
        for (int row : {0, 1, 2, 3, -1})
            DoubleClickRow(dialog, IDC_ADAPTER_LIST, row);
        EXPECT_EQ(editAdapterFlags, 0x000F);
        EXPECT_EQ(workingRecords[1].modified, 0);
        SendMessageW(dialog, WM_COMMAND, IDC_DEFAULTS, 0);
        PumpMessages();
        EXPECT_EQ(workingRecords[1].modified, 1);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(Open(), 1);
    ASSERT_EQ(boxes.boxes.size(), 5u) << "every refused row, and no selection too, says why";
    for (const ShownBox &box : boxes.boxes) {
        EXPECT_EQ(box.text, ModuleText(IDS_DEFAULTS_IN_PLACE));
        EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_WARNING));
    }
    EXPECT_EQ(workingRecords[1].image.adapterFlags.get(), 0x0007);
    EXPECT_EQ(workingRecords[1].image.hostId, 7);
    EXPECT_EQ(workingRecords[1].image.adapterOption.get(), 0);

    script.Then([&](HWND dialog) {
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 0);
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(workingRecords[1].image.adapterFlags.get(), 0x0006) << "a new opening accepts edits";
    EXPECT_EQ(boxes.boxes.size(), 5u);
}

TEST_F(AdapterDialog, BitsNoRowNamesSurviveTogglesAndDefaultsClearThem)
{
    workingRecords[1].image.adapterFlags.set(0xFFF4);
    workingRecords[1].image.adapterOption.set(0x8000);
    script.Then([&](HWND dialog) {
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 0);
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 1);
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 3);
        PressButton(dialog, IDOK);
    });
    Open();
    EXPECT_EQ(workingRecords[1].image.adapterFlags.get(), 0xFFF7);
    EXPECT_EQ(workingRecords[1].image.adapterOption.get(), 0x8001);
    script.Then([&](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, IDC_DEFAULTS, 0);
        PressButton(dialog, IDOK);
    });
    Open();
    EXPECT_EQ(workingRecords[1].image.adapterFlags.get(), 0x0007);
    EXPECT_EQ(workingRecords[1].image.adapterOption.get(), 0);
}

TEST_F(AdapterDialog, OkChangesOnlyTheThreeFieldsAndCancelNothing)
{
    std::mt19937 gen(5);
    auto *bytes = reinterpret_cast<std::uint8_t *>(&workingRecords[1].image);
    for (size_t i = 0; i < kImageSize; ++i)
        bytes[i] = static_cast<std::uint8_t>(gen());
    workingRecords[1].image.adapterFlags.set(0x1230);
    const SettingsImage before = workingRecords[1].image;

    script.Then([&](HWND dialog) {
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 0);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(std::memcmp(&before, &workingRecords[1].image, kImageSize), 0);
    EXPECT_EQ(workingRecords[1].modified, 0) << "a save would rewrite what Cancel dropped";

    script.Then([&](HWND dialog) {
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 0);
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 3);
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
        PressButton(dialog, IDOK);
    });
    script.Then([](HWND picker) { PostMessageW(picker, WM_COMMAND, IDC_HOST_ID_BASE + 12, 0); });
    EXPECT_EQ(Open(), 1);
    const auto *after = reinterpret_cast<const std::uint8_t *>(&workingRecords[1].image);
    const auto *was = reinterpret_cast<const std::uint8_t *>(&before);
    for (size_t i = 0; i < kImageSize; ++i)
        if (i != 6 && i != 8 && i != 9 && i != 14) {
            ASSERT_EQ(after[i], was[i]) << "byte " << i;
        }
    EXPECT_EQ(workingRecords[1].image.adapterFlags.get(), 0x1231);
    EXPECT_EQ(workingRecords[1].image.adapterOption.get(), before.adapterOption.get() ^ 1);
    EXPECT_EQ(workingRecords[1].image.hostId, 12);
    const AdapterRecord untouched{};
    EXPECT_EQ(std::memcmp(&savedRecords[1], &untouched, sizeof(AdapterRecord)), 0);
}

TEST_F(AdapterDialog, CancelEscapeAndTheCloseBoxKeepAnEarlierConfirmedEdit)
{
    const AdapterRecord start = workingRecords[1];
    for (const CancelWay &way : kCancelWays) {
        workingRecords[1] = start;
        script.Then([](HWND dialog) {
            DoubleClickRow(dialog, IDC_ADAPTER_LIST, 0);
            PressButton(dialog, IDOK);
        });
        EXPECT_EQ(Open(), 1);
        const SettingsImage confirmed = workingRecords[1].image;
        script.Then([&](HWND dialog) {
            DoubleClickRow(dialog, IDC_ADAPTER_LIST, 1);
            way.leave(dialog);
        });
        EXPECT_EQ(Open(), 0) << way.name;
        EXPECT_EQ(std::memcmp(&confirmed, &workingRecords[1].image, kImageSize), 0) << way.name;
        EXPECT_EQ(workingRecords[1].modified, 1) << way.name << ": the confirmed edit would not be saved";
    }
    EXPECT_TRUE(script.Done());
}

TEST_F(AdapterDialog, PickingAndCancellingTheHostId)
{
    std::wstring picked, cancelled;
    int marked = 0;
    script.Then([&](HWND dialog) {
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
        picked = Rows(dialog)[2];
        workingRecords[1].modified = 0;
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
        cancelled = Rows(dialog)[2];
        marked = workingRecords[1].modified;
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    script.Then([](HWND picker) { PostMessageW(picker, WM_COMMAND, IDC_HOST_ID_BASE + 5, 0); });
    script.Then([](HWND picker) { PostMessageW(picker, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(picked, Row(IDS_ADAPTER_ROW0 + 2, L"5\t"));
    EXPECT_EQ(cancelled, picked);
    EXPECT_EQ(pickedHostId, 255);
    EXPECT_EQ(marked, 1) << "a cancelled picker still marks the record";
    EXPECT_EQ(workingRecords[1].image.hostId, 7);
}

TEST_F(AdapterDialog, PickerDisablesTheIdsOfListedDevicesButTheHostsOwn)
{
    auto enabledIds = [](HWND picker) {
        PaintNow(picker);
        std::vector<int> ids;
        for (int id = 0; id < 16; ++id)
            if (IsWindowEnabled(GetDlgItem(picker, IDC_HOST_ID_BASE + id)))
                ids.push_back(id);
        return ids;
    };
    std::vector<int> wide, narrow, afterPick;
    script.Then([&](HWND dialog) {
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
        workingRecords[1].chipType = 6;  // a narrow chip
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    script.Then([&](HWND picker) {
        wide = enabledIds(picker);
        PostMessageW(picker, WM_COMMAND, IDC_HOST_ID_BASE + 3, 0);  // 3 is taken: pressing it would not get here
    });
    script.Then([&](HWND picker) {
        afterPick = enabledIds(picker);
        PostMessageW(picker, WM_COMMAND, IDOK, 0);  // no ID button: nothing picked
    });
    script.Then([&](HWND picker) {
        narrow = enabledIds(picker);
        PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
    });
    Open();
    EXPECT_EQ(wide, (std::vector<int>{1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(afterPick, wide) << "the working record's host ID counts, not the one just picked";
    EXPECT_EQ(narrow, (std::vector<int>{1, 2, 4, 5, 6, 7})) << "8 to 15 keep the template's state";
    EXPECT_EQ(pickedHostId, 255);
    EXPECT_TRUE(script.Done());
}

TEST_F(AdapterDialog, HelpRunsItsThreeStringsTogether)
{
    script.Then([](HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, IDM_HELP, 0);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    Open();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              ModuleText(IDS_ADAPTER_HELP1) + ModuleText(IDS_ADAPTER_HELP1 + 1) + ModuleText(IDS_ADAPTER_HELP1 + 2));
    EXPECT_EQ(boxes.boxes[0].icon, LoadIconW(nullptr, IDI_WARNING));
}

TEST_F(AdapterDialog, AHostIdPickerThatCannotOpenChangesNothing)
{
    // A module without the picker's template.
    HMODULE english = languageModule,
            broken = LoadLibraryExW(FixtureModule(L"enb").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(broken, nullptr);
    pickedHostId = 3;  // left by an earlier picker
    script.Then([&](HWND dialog) {
        languageModule = broken;
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
        languageModule = english;
        PressButton(dialog, IDOK);
    });
    EXPECT_EQ(Open(), 1);
    EXPECT_EQ(workingRecords[1].image.hostId, 7);
    EXPECT_EQ(workingRecords[1].modified, 0);
    FreeLibrary(broken);
}

TEST_F(AdapterDialog, TheKeyboardWorksInThePickerWhateverItDisables)
{
    // A device answers at 0: the first button of the picker cannot be chosen.
    HWND focus = nullptr;
    bool focusEnabled = false;
    int afterTab = -1;
    script.Then([&](HWND dialog) {
        for (int opening = 0; opening < 3; ++opening)
            DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
        PressKey(dialog, VK_ESCAPE);
        EXPECT_FALSE(IsWindowVisible(dialog)) << "Escape left the adapter dialog open";
        EndDialog(dialog, 0);
    });
    script.Then([&](HWND picker) {
        PaintNow(picker);
        PaintNow(GetWindow(picker, GW_OWNER));  // the adapter dialog repaints beneath the picker
        focus = GetFocus();
        focusEnabled = focus && IsChild(picker, focus) && IsWindowEnabled(focus);
        PressKey(picker, VK_ESCAPE);
        EXPECT_FALSE(IsWindowVisible(picker)) << "Escape left the picker open";
        EndDialog(picker, 0);  // harmless once it has ended; keeps a failure from hanging the test
    });
    script.Then([&](HWND picker) {
        PaintNow(picker);
        PressKey(picker, VK_TAB);
        PressKey(picker, VK_RETURN);  // the button after the adapter's own ID: 8
        EndDialog(picker, 0);
    });
    script.Then([&](HWND picker) {
        afterTab = editHostId;
        PaintNow(picker);
        PressKey(picker, VK_RETURN);  // on the ID that the dialog shows, not the confirmed 7
        EndDialog(picker, 0);
    });
    EXPECT_EQ(Open(), 0);
    EXPECT_TRUE(focusEnabled) << "the focus is on " << focus;
    EXPECT_EQ(afterTab, 8) << "Tab and Enter chose the next ID";
    EXPECT_EQ(editHostId, 8) << "Enter alone kept the ID picked before";
    EXPECT_TRUE(script.Done());
}
