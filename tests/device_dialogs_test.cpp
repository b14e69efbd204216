// The device table, the device dialog and its pickers, from the English
// module's templates, driven inside their nested modal loops.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <random>

#include "app/shell.h"
#include "dialogs/device_name.h"
#include "dialogs/dialogs.h"
#include "discovery/device_map.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "tests/modal_script.h"
#include "tests/program_support.h"

namespace {

constexpr int kHost = 7;

std::wstring Text(UINT id)
{
    return ModuleText(id);
}

std::wstring Format(const wchar_t *format, int n)
{
    wchar_t text[64];
    wsprintfW(text, format, n);
    return text;
}

// The value columns of a table row: everything after the name and its two tabs.
std::vector<std::wstring> Columns(const std::wstring &row)
{
    std::vector<std::wstring> columns;
    size_t at = row.find(L"\t\t");
    if (at == std::wstring::npos)
        return columns;
    std::wstring rest = row.substr(at + 2);
    size_t start = 0;
    for (size_t i = 0; i <= rest.size(); ++i)
        if (i == rest.size() || rest[i] == L'\t') {
            columns.push_back(rest.substr(start, i - start));
            start = i + 1;
        }
    return columns;
}

class DeviceDialogs : public testing::Test {
protected:
    void SetUp() override
    {
        LoadLanguage();
        ResetProgramState();
        currentLcid = 1033;
        adapterCount = 2;
        currentAdapter = 1;
        AdapterRecord &r = workingRecords[1];
        r.chipType = 13;
        r.imageLength = 1260;
        r.image.hostId = kHost;
        for (DeviceEntry &e : r.image.deviceTable) {
            e.deviceFlags = 0x0F;
            e.reserved1 = 0xA1;
            e.busWidth = 16;
            e.reserved3 = 0xA3;
            e.syncCode.set(48);
            e.deviceValue.set(10);
        }
        savedRecords[1] = r;
        AddDeviceMap(0, 1, {});
        AddDeviceMap(1, 2, {});
        DeviceMapEntry *map = deviceMaps[1];
        auto slot = [&](int i, int target, const wchar_t *identifier) {
            map->devices[i].targetId = static_cast<std::uint8_t>(target);
            lstrcpyW(map->devices[i].identifier, identifier);
        };
        slot(0, 3, L"DISKVENDOR MODEL1 EXTRA 1234");  // 28 characters
        slot(1, 2, L"FIRST UNIT");
        slot(2, 2, L"SECOND UNIT");
        slot(3, 0, L"X");
        map->deviceCount = 4;
    }
    void TearDown() override { ResetProgramState(); }

    INT_PTR OpenTable()
    {
        return DialogBoxParamW(languageModule, MAKEINTRESOURCEW(IDD_DEVICE_TABLE), nullptr, DeviceTableDlgProc, 0);
    }
    std::vector<std::wstring> TableRows(HWND table)
    {
        PaintNow(table);
        return ListLines(GetDlgItem(table, IDC_DEVICE_TABLE_LIST));
    }
    std::vector<std::wstring> DeviceRows(HWND device)
    {
        PaintNow(device);
        return ListLines(GetDlgItem(device, IDC_DEVICE_LIST));
    }
    // Opens the device dialog on row r from the table and runs step in it.
    void OnDevice(int r, ModalScript::Step step)
    {
        script.Then([this, r](HWND table) {
            PaintNow(table);
            DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, r);
            rows = TableRows(table);
            PressButton(table, IDOK);
        });
        script.Then(step);
    }
    DeviceEntry &Working(int id) { return workingRecords[1].image.deviceTable[static_cast<size_t>(id)]; }

    ModalScript script;
    MessageBoxWatcher boxes;
    std::vector<std::wstring> rows;
};

}  // namespace

TEST_F(DeviceDialogs, RowsNameTheDevicesOfTheDeviceMap)
{
    script.Then([&](HWND table) {
        rows = TableRows(table);
        PressButton(table, IDCANCEL);
    });
    EXPECT_EQ(OpenTable(), 0);
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[3].substr(0, 23), L"03 - Diskvendor mode \t\t") << "15 characters and a blank";
    EXPECT_EQ(rows[2].substr(0, 17), L"02 - First unit\t\t") << "the first of two units at one target";
    EXPECT_EQ(rows[0].substr(0, 8), L"00 - X\t\t") << "a one-character name is kept";
    EXPECT_EQ(rows[kHost].substr(0, 16), L"07 - Ktr-a0130\t\t") << "the host's own row names the chip";
    EXPECT_EQ(rows[5].substr(0, 5 + Text(IDS_NO_DEVICE).size() + 2), L"05 - " + Text(IDS_NO_DEVICE) + L"\t\t");
    const std::vector<std::wstring> expected = {L"40", L"16", Text(IDS_WORD_ON), L"10", Text(IDS_WORD_YES),
                                                Text(IDS_WORD_YES), Text(IDS_WORD_ENABLED)};
    EXPECT_EQ(Columns(rows[5]), expected);
    EXPECT_EQ(Columns(rows[kHost]), expected) << "all entries equal: the host's row shows its own values";
}

TEST_F(DeviceDialogs, HostRowMarksTheColumnsThatDiffer)
{
    Working(4).busWidth = 8;         // differs in width only: rate and width are mixed
    Working(15).deviceFlags = 0x07;  // option3 differs
    Working(15).reserved1 = 0;       // bytes no column reads
    script.Then([&](HWND table) {
        rows = TableRows(table);
        PressButton(table, IDCANCEL);
    });
    OpenTable();
    const std::wstring mixed = Text(IDS_MIXED);
    const std::vector<std::wstring> host = Columns(rows[kHost]);
    ASSERT_EQ(host.size(), 7u);
    EXPECT_EQ(host[0], mixed);
    EXPECT_EQ(host[1], mixed);
    EXPECT_EQ(host[2], Text(IDS_WORD_ON));
    EXPECT_EQ(host[3], L"10");
    EXPECT_EQ(host[6], mixed + mixed + mixed) << "the last column, three times and no tab";
    EXPECT_NE(rows[kHost].back(), L'\t');
    EXPECT_EQ(Columns(rows[4])[0], L"20") << "other rows show their own values";
    EXPECT_EQ(Columns(rows[4])[1], L" 8");
    EXPECT_EQ(Columns(rows[15])[6], Text(IDS_WORD_DISABLED));
}

TEST_F(DeviceDialogs, RateAndWidthFormats)
{
    Working(0).syncCode.set(200);
    Working(0).busWidth = 8;
    Working(1).syncCode.set(200);
    Working(2).syncCode.set(0);
    Working(3).syncCode.set(50);
    Working(4).busWidth = 32;
    Working(5).busWidth = 12;
    Working(6).syncCode.set(100);
    Working(6).busWidth = 8;
    script.Then([&](HWND table) {
        rows = TableRows(table);
        PressButton(table, IDCANCEL);
    });
    OpenTable();
    auto rate = [&](int r) { return Columns(rows[static_cast<size_t>(r)])[0]; };
    auto width = [&](int r) { return Columns(rows[static_cast<size_t>(r)])[1]; };
    EXPECT_EQ(rate(0), L" 5");
    EXPECT_EQ(width(0), L" 8");
    EXPECT_EQ(rate(1), L"10");
    EXPECT_EQ(rate(2), Text(IDS_WORD_OFF));
    EXPECT_EQ(rate(3), Text(IDS_NOT_AVAILABLE));
    EXPECT_EQ(rate(4), L"40") << "32 bits count as wide";
    EXPECT_EQ(width(4), L"32");
    EXPECT_EQ(width(5), Text(IDS_NOT_AVAILABLE));
    EXPECT_EQ(rate(6), L"10");
}

TEST_F(DeviceDialogs, TabStopsFollowTheLanguage)
{
    std::map<DWORD, std::vector<INT>> stops;
    for (DWORD lcid : {1049u, 1034u, 1033u, 1031u}) {
        currentLcid = lcid;
        script.Then([&](HWND table) {
            stops[lcid] = TabStopsOfPaint(table, IDC_DEVICE_TABLE_LIST);
            PressButton(table, IDCANCEL);
        });
        OpenTable();
    }
    ASSERT_GT(charWidth, 0);
    auto times = [](std::vector<INT> v) {
        for (INT &x : v)
            x *= charWidth;  // at 96 dots per inch, where the suite runs
        return v;
    };
    EXPECT_EQ(stops[1049], times({9, 12, 17, 21, 26, 29, 32, 35, 38, 41}));
    EXPECT_EQ(stops[1034], times({9, 12, 17, 20, 27, 30, 33, 36, 39, 42}));
    EXPECT_EQ(stops[1033], times({9, 12, 16, 20, 24, 28, 32, 36, 40, 44}));
    EXPECT_EQ(stops[1031], stops[1033]);
}

TEST_F(DeviceDialogs, DeviceDialogRowsAndTheHostsMixedColumns)
{
    Working(4).busWidth = 8;
    Working(9).deviceValue.set(99);
    std::vector<std::wstring> host, other, afterWidth;
    OnDevice(kHost, [&](HWND device) {
        host = DeviceRows(device);
        DoubleClickRow(device, IDC_DEVICE_LIST, 0);  // refused: the widths differ
        DoubleClickRow(device, IDC_DEVICE_LIST, 1);
        afterWidth = DeviceRows(device);
        DoubleClickRow(device, IDC_DEVICE_LIST, 0);  // still refused until the dialog is closed
        PressButton(device, IDCANCEL);
    });
    script.Then([](HWND width) { PostMessageW(width, WM_COMMAND, IDC_WIDTH_WIDE, 0); });
    OpenTable();
    ASSERT_EQ(host.size(), 7u);
    const std::wstring mixed = L"  " + Text(IDS_MIXED);
    EXPECT_EQ(host[0], Text(IDS_DEVICE_ROW0) + mixed);
    EXPECT_EQ(host[1], Text(IDS_DEVICE_ROW0 + 1) + mixed);
    EXPECT_EQ(host[2], Text(IDS_DEVICE_ROW0 + 2) + Text(IDS_WORD_ON) + L"\t");
    EXPECT_EQ(host[3], Text(IDS_DEVICE_ROW0 + 3) + mixed);
    EXPECT_EQ(host[4], Text(IDS_DEVICE_ROW0 + 4) + Text(IDS_WORD_YES) + L"\t");
    EXPECT_EQ(host[6], Text(IDS_DEVICE_ROW0 + 6) + Text(IDS_WORD_ENABLED));
    EXPECT_EQ(afterWidth[1], Text(IDS_DEVICE_ROW0 + 1) + L"16");
    EXPECT_EQ(afterWidth[0], Text(IDS_DEVICE_ROW0) + mixed);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, Text(IDS_RATE_REFUSED));

    OnDevice(4, [&](HWND device) {
        other = DeviceRows(device);
        PressButton(device, IDCANCEL);
    });
    OpenTable();
    EXPECT_EQ(other[0], Text(IDS_DEVICE_ROW0) + L"20");
    EXPECT_EQ(other[1], Text(IDS_DEVICE_ROW0 + 1) + L" 8");
    EXPECT_EQ(other[3], Text(IDS_DEVICE_ROW0 + 3) + L"10");
}

TEST_F(DeviceDialogs, WidthOnTheHostsRowIsCopiedToEveryEntryAlone)
{
    for (int id = 0; id < 16; ++id) {
        Working(id).busWidth = id % 2 ? 8 : 16;
        Working(id).syncCode.set(static_cast<std::uint16_t>(id % 3 ? 48 : 100));
        Working(id).deviceValue.set(static_cast<std::uint16_t>(id));
    }
    const SettingsImage before = workingRecords[1].image;
    const AdapterRecord saved = savedRecords[1];
    OnDevice(kHost, [&](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 1);
        PressButton(device, IDOK);
    });
    script.Then([](HWND width) { PostMessageW(width, WM_COMMAND, IDC_WIDTH_WIDE, 0); });
    EXPECT_EQ(OpenTable(), 1);
    for (int id = 0; id < 16; ++id) {
        const DeviceEntry &e = Working(id), &was = before.deviceTable[static_cast<size_t>(id)];
        EXPECT_EQ(e.busWidth, 16) << id;
        EXPECT_EQ(e.syncCode.get(), was.syncCode.get()) << id;
        EXPECT_EQ(e.deviceValue.get(), was.deviceValue.get()) << id;
        EXPECT_EQ(e.deviceFlags, was.deviceFlags) << id;
        EXPECT_EQ(e.reserved1, 0xA1);
        EXPECT_EQ(e.reserved3, 0xA3);
    }
    EXPECT_EQ(workingRecords[1].modified, 1);
    EXPECT_EQ(widthChanged, 0) << "a flag is cleared once its field is copied";
    EXPECT_EQ(std::memcmp(&savedRecords[1], &saved, sizeof(saved)), 0) << "nothing reaches savedRecords before a save";
}

TEST_F(DeviceDialogs, DefaultsOnTheHostsRowCopyEveryField)
{
    std::mt19937 gen(3);
    for (int id = 0; id < 16; ++id) {
        Working(id).deviceFlags = static_cast<std::uint8_t>(gen() & 0xFF);
        Working(id).busWidth = id % 2 ? 8 : 16;
        Working(id).syncCode.set(static_cast<std::uint16_t>(gen() & 0xFF));
        Working(id).deviceValue.set(static_cast<std::uint16_t>(gen()));
    }
    OnDevice(kHost, [&](HWND device) {
        PressButton(device, IDC_DEFAULTS);
        PumpMessages();
        for (const std::wstring &row : DeviceRows(device))
            EXPECT_EQ(row.find(Text(IDS_MIXED)), std::wstring::npos) << "every row shows a value after Defaults";
        PressButton(device, IDOK);
    });
    OpenTable();
    for (int id = 0; id < 16; ++id) {
        const DeviceEntry &e = Working(id);
        EXPECT_EQ(e.busWidth, 16);  // chip 13
        EXPECT_EQ(e.syncCode.get(), 48);
        EXPECT_EQ(e.deviceValue.get(), 10);
        EXPECT_EQ(e.deviceFlags & 0x0F, 0x0F);
    }
}

TEST_F(DeviceDialogs, AnEditOnAnotherRowChangesOnlyItsEntryField)
{
    std::mt19937 gen(9);
    auto *bytes = reinterpret_cast<std::uint8_t *>(&workingRecords[1].image);
    for (size_t i = 0; i < kImageSize; ++i)
        bytes[i] = static_cast<std::uint8_t>(gen());
    workingRecords[1].image.adapterFlags.set(0x0007);
    workingRecords[1].image.hostId = kHost;
    Working(3).busWidth = 16;
    const SettingsImage before = workingRecords[1].image;
    OnDevice(3, [&](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 3);
        PressButton(device, IDOK);
    });
    script.Then([](HWND value) {
        SetDlgItemTextW(value, IDC_VALUE_EDIT, L"321");
        PressButton(value, IDOK);
    });
    EXPECT_EQ(OpenTable(), 1);
    EXPECT_EQ(Working(3).deviceValue.get(), 321);
    const auto *after = reinterpret_cast<const std::uint8_t *>(&workingRecords[1].image);
    const auto *was = reinterpret_cast<const std::uint8_t *>(&before);
    for (size_t i = 0; i < kImageSize; ++i)
        if (i != 76 + 3 * 8 + 6 && i != 76 + 3 * 8 + 7) {
            ASSERT_EQ(after[i], was[i]) << "byte " << i;
        }

    // Cancel in the table drops everything done in it.
    OnDevice(3, [&](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 3);
        PressButton(device, IDOK);
    });
    script.steps.front() = [](HWND table) {
        DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 3);
        PressButton(table, IDCANCEL);
    };
    script.Then([](HWND value) {
        SetDlgItemTextW(value, IDC_VALUE_EDIT, L"5");
        PressButton(value, IDOK);
    });
    EXPECT_EQ(OpenTable(), 0);
    EXPECT_EQ(Working(3).deviceValue.get(), 321);
}

TEST_F(DeviceDialogs, RateButtonsFollowTheChipAndTheWidth)
{
    const std::map<int, std::pair<std::vector<int>, std::vector<int>>> expected = {
        {0, {{}, {}}},           {1, {{1, 2}, {}}},       {2, {{}, {}}},
        {3, {{1, 2}, {2, 3}}},   {4, {{1, 2}, {}}},       {5, {{}, {}}},
        {6, {{1, 2, 3}, {}}},    {7, {{}, {}}},           {8, {{}, {}}},
        {9, {{}, {}}},           {10, {{}, {}}},          {11, {{1, 2, 3, 4}, {2, 3, 4, 5}}},
        {12, {{1, 2, 3, 4}, {2, 3, 4, 5}}}, {13, {{1, 2, 3}, {2, 3, 4}}}, {14, {{}, {}}},
        {15, {{1, 2, 3}, {2, 3, 4}}},       {200, {{}, {}}},
    };
    for (const auto &[chip, buttons] : expected) {
        for (int wide = 0; wide < 2; ++wide) {
            workingRecords[1].chipType = static_cast<std::uint8_t>(chip);
            Working(5).busWidth = wide ? 16 : 8;
            std::vector<int> enabled;
            OnDevice(5, [&](HWND device) {
                DoubleClickRow(device, IDC_DEVICE_LIST, 0);
                PressButton(device, IDCANCEL);
            });
            script.Then([&](HWND rate) {
                PaintNow(rate);
                for (int i = 1; i < 6; ++i)
                    if (IsWindowEnabled(GetDlgItem(rate, IDC_RATE_BASE + i)))
                        enabled.push_back(i);
                EXPECT_TRUE(IsWindowEnabled(GetDlgItem(rate, IDC_RATE_BASE)));
                PressButton(rate, IDCANCEL);
            });
            OpenTable();
            EXPECT_EQ(enabled, wide ? buttons.second : buttons.first) << "chip " << chip << " wide " << wide;
        }
    }
}

TEST_F(DeviceDialogs, EveryEnabledRateShowsTheSameSpeedNarrowOrWide)
{
    workingRecords[1].chipType = 12;
    const int shown[6] = {0, 5, 10, 20, 40, 80};
    for (int wide = 0; wide < 2; ++wide)
        for (int button = 1; button < 6; ++button) {
            if (!rateEnableTable[static_cast<size_t>((12 * 2 + wide) * 6 + button)])
                continue;
            Working(5).busWidth = wide ? 16 : 8;
            std::wstring row;
            OnDevice(5, [&](HWND device) {
                DoubleClickRow(device, IDC_DEVICE_LIST, 0);
                row = DeviceRows(device)[0];
                PressButton(device, IDOK);
            });
            script.Then([button](HWND rate) { PressButton(rate, IDC_RATE_BASE + button); });
            OpenTable();
            EXPECT_EQ(row, Text(IDS_DEVICE_ROW0) + Format(shown[button] == 5 ? L"%2d" : L"%d", shown[button]))
                << "button " << button << " wide " << wide;
        }
}

TEST_F(DeviceDialogs, LeavingARatePickerChangesNothingButAsynchronousChoosesZero)
{
    std::wstring afterCancel, afterAsync;
    OnDevice(5, [&](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 0);
        afterCancel = DeviceRows(device)[0];
        EXPECT_EQ(rateChanged, 0);
        DoubleClickRow(device, IDC_DEVICE_LIST, 0);
        DoubleClickRow(device, IDC_DEVICE_LIST, 0);
        afterAsync = DeviceRows(device)[0];
        PressButton(device, IDOK);
    });
    script.Then([](HWND rate) { PressButton(rate, IDCANCEL); });
    script.Then([](HWND rate) { PostMessageW(rate, WM_COMMAND, IDOK, 0); });  // Enter: no button
    script.Then([](HWND rate) { PressButton(rate, IDC_RATE_BASE); });
    OpenTable();
    EXPECT_EQ(afterCancel, Text(IDS_DEVICE_ROW0) + L"40");
    EXPECT_EQ(afterAsync, Text(IDS_DEVICE_ROW0) + Text(IDS_WORD_OFF));
    EXPECT_EQ(Working(5).syncCode.get(), 0);
}

TEST_F(DeviceDialogs, WidthPickerCancelAndStrayCommandsChooseNothing)
{
    OnDevice(5, [&](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 1);
        EXPECT_EQ(widthChanged, 0);
        DoubleClickRow(device, IDC_DEVICE_LIST, 1);
        EXPECT_EQ(widthChanged, 0);
        PressButton(device, IDOK);
    });
    script.Then([](HWND width) { PressButton(width, IDCANCEL); });
    script.Then([](HWND width) { PostMessageW(width, WM_COMMAND, IDOK, 0); });
    OpenTable();
    EXPECT_EQ(Working(5).busWidth, 16);
    EXPECT_EQ(workingRecords[1].modified, 0);
}

TEST_F(DeviceDialogs, OptionsThroughTheirYesNoPickers)
{
    OnDevice(5, [&](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 2);  // option0: no
        DoubleClickRow(device, IDC_DEVICE_LIST, 4);  // option1: no
        DoubleClickRow(device, IDC_DEVICE_LIST, 5);  // option2: cancelled
        DoubleClickRow(device, IDC_DEVICE_LIST, 6);  // option3: no, then yes
        DoubleClickRow(device, IDC_DEVICE_LIST, 6);
        std::vector<std::wstring> r = DeviceRows(device);
        EXPECT_EQ(r[2], Text(IDS_DEVICE_ROW0 + 2) + Text(IDS_WORD_OFF) + L"\t");
        EXPECT_EQ(r[4], Text(IDS_DEVICE_ROW0 + 4) + Text(IDS_WORD_NO_DEVICE) + L"\t");
        EXPECT_EQ(option0Changed + option1Changed + option2Changed + option3Changed, 3);
        PressButton(device, IDOK);
    });
    script.Then([](HWND yesNo) { PressButton(yesNo, IDC_NO_OPTION0); });
    script.Then([](HWND yesNo) { PressButton(yesNo, IDC_NO_OPTION12); });
    script.Then([](HWND yesNo) { PressButton(yesNo, IDCANCEL); });
    script.Then([](HWND yesNo) { PressButton(yesNo, IDC_NO_OPTION3); });
    script.Then([](HWND yesNo) { PressButton(yesNo, IDC_YES_OPTION3); });
    OpenTable();
    EXPECT_EQ(Working(5).deviceFlags, 0x0F & ~0x03);
    EXPECT_TRUE(script.Done());
}

TEST_F(DeviceDialogs, ValueEntryTakesFourDigitsAndParsesWhatArrives)
{
    struct Case {
        const wchar_t *typed;
        bool asText;  // set directly, past what the control accepts from the keyboard
        int stored;
    };
    const Case cases[] = {{L"12345", false, 1234}, {L"7", false, 7}, {L"", false, 0},
                          {L"4a2", false, 42},      {L"-1", true, 65535}, {L" 12x", true, 12}};
    for (const Case &c : cases) {
        Working(5).deviceValue.set(500);
        OnDevice(5, [&](HWND device) {
            DoubleClickRow(device, IDC_DEVICE_LIST, 3);
            PressButton(device, IDOK);
        });
        script.Then([&](HWND value) {
            HWND edit = GetDlgItem(value, IDC_VALUE_EDIT);
            if (c.asText) {
                SetWindowTextW(edit, c.typed);
            } else {
                for (const wchar_t *p = c.typed; *p; ++p)
                    SendMessageW(edit, WM_CHAR, *p, 1);
            }
            PressButton(value, IDOK);
        });
        OpenTable();
        EXPECT_EQ(Working(5).deviceValue.get(), c.stored) << "typed \"" << std::string(c.typed, c.typed + lstrlenW(c.typed)) << "\"";
    }
    // Cancel after an accepted value leaves it.
    OnDevice(5, [&](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 3);
        DoubleClickRow(device, IDC_DEVICE_LIST, 3);
        PressButton(device, IDOK);
    });
    script.Then([](HWND value) {
        SetDlgItemTextW(value, IDC_VALUE_EDIT, L"77");
        PressButton(value, IDOK);
    });
    script.Then([](HWND value) {
        SetDlgItemTextW(value, IDC_VALUE_EDIT, L"88");
        PressButton(value, IDCANCEL);
    });
    OpenTable();
    EXPECT_EQ(Working(5).deviceValue.get(), 77);
}

TEST_F(DeviceDialogs, CancelInTheDeviceDialogKeepsAnEarlierConfirmedEdit)
{
    // A confirmed edit marks the record; a later Cancel must not unmark it,
    // or the next save would skip the adapter.
    OnDevice(5, [&](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 1);
        PressButton(device, IDOK);
    });
    script.Then([](HWND width) { PressButton(width, IDC_WIDTH_NARROW); });
    OpenTable();
    EXPECT_EQ(workingRecords[1].modified, 1);
    EXPECT_EQ(Working(5).busWidth, 8);
    OnDevice(6, [&](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 1);
        PressButton(device, IDCANCEL);
    });
    script.Then([](HWND width) { PressButton(width, IDC_WIDTH_NARROW); });
    OpenTable();
    EXPECT_EQ(workingRecords[1].modified, 1);
    EXPECT_EQ(Working(6).busWidth, 16);

    // An edit made and cancelled in one opening leaves the record as it was.
    workingRecords[1].modified = 0;
    OnDevice(6, [&](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 1);
        EXPECT_EQ(workingRecords[1].modified, 1);
        PressButton(device, IDCANCEL);
    });
    script.Then([](HWND width) { PressButton(width, IDC_WIDTH_NARROW); });
    OpenTable();
    EXPECT_EQ(workingRecords[1].modified, 0);

    // OK in the device dialog, then Cancel in the table: nothing was kept, so nothing is to be written.
    script.Then([](HWND table) {
        DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 6);
        PressButton(table, IDCANCEL);
    });
    script.Then([](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 1);
        PressButton(device, IDOK);
    });
    script.Then([](HWND width) { PressButton(width, IDC_WIDTH_NARROW); });
    OpenTable();
    EXPECT_EQ(workingRecords[1].modified, 0);
    EXPECT_EQ(Working(6).busWidth, 16);
}

TEST_F(DeviceDialogs, CancelEscapeAndTheCloseBoxOfTheTableKeepAnEarlierConfirmedEdit)
{
    const AdapterRecord start = workingRecords[1];
    // The device dialog that the table opens: 8 bits wide, and OK.
    auto narrow = [this] {
        script.Then([](HWND device) {
            DoubleClickRow(device, IDC_DEVICE_LIST, 1);
            PressButton(device, IDOK);
        });
        script.Then([](HWND width) { PressButton(width, IDC_WIDTH_NARROW); });
    };
    for (const CancelWay &way : kCancelWays) {
        workingRecords[1] = start;
        script.Then([](HWND table) {
            DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 5);
            PressButton(table, IDOK);
        });
        narrow();
        EXPECT_EQ(OpenTable(), 1);
        const SettingsImage confirmed = workingRecords[1].image;
        script.Then([&](HWND table) {
            DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 6);
            way.leave(table);
        });
        narrow();
        EXPECT_EQ(OpenTable(), 0) << way.name;
        EXPECT_EQ(std::memcmp(&confirmed, &workingRecords[1].image, kImageSize), 0) << way.name;
        EXPECT_EQ(workingRecords[1].modified, 1) << way.name << ": the confirmed edit would not be saved";
    }
    EXPECT_TRUE(script.Done());
}

TEST_F(DeviceDialogs, RefusesRowsWhileDefaultsStandIn)
{
    workingRecords[1].image.adapterFlags.set(0x000F);
    script.Then([&](HWND table) {
        DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 3);
        SendMessageW(table, WM_COMMAND, IDM_HELP, 0);
        PressButton(table, IDCANCEL);
    });
    OpenTable();
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, Text(IDS_DEFAULTS_IN_PLACE));
    EXPECT_EQ(boxes.boxes[1].text, Text(IDS_TABLE_HELP));
    EXPECT_TRUE(script.Done()) << "no device dialog was opened";
}

TEST_F(DeviceDialogs, EachDialogActsOnItsOwnListWhateverRepaintedBeneathIt)
{
    HWND table = nullptr;
    std::vector<std::wstring> tableRows, deviceRows;
    bool stayedOpen = false;
    script.Then([&](HWND t) {
        table = t;
        PaintNow(t);
        DoubleClickRow(t, IDC_DEVICE_TABLE_LIST, 5);
        PressButton(t, IDCANCEL);
    });
    script.Then([&](HWND device) {
        PaintNow(device);
        PaintNow(table);  // the table repaints beneath the device dialog
        deviceRows = ListLines(GetDlgItem(device, IDC_DEVICE_LIST));
        PaintNow(device);
        tableRows = ListLines(GetDlgItem(table, IDC_DEVICE_TABLE_LIST));
        DoubleClickRow(device, IDC_DEVICE_LIST, 1);
        PaintNow(table);
        stayedOpen = EnterOnRow(device, IDC_DEVICE_LIST, 2);
        PressButton(device, IDCANCEL);
    });
    script.Then([](HWND width) { PressButton(width, IDC_WIDTH_NARROW); });
    script.Then([](HWND yesNo) { PressButton(yesNo, IDCANCEL); });
    OpenTable();
    EXPECT_EQ(deviceRows.size(), 7u) << "the table's rows went into the device dialog";
    EXPECT_EQ(tableRows.size(), 16u) << "the device dialog's rows went into the table";
    EXPECT_TRUE(script.Done()) << "a row of the device dialog opened no picker";
    EXPECT_TRUE(stayedOpen) << "Enter on a row of the device dialog closed it";
}

TEST_F(DeviceDialogs, EnterOnAFocusedRowOpensItAndTheDialogsStayOpen)
{
    bool tableOpen = false, deviceOpen = false;
    script.Then([&](HWND table) {
        PaintNow(table);
        tableOpen = EnterOnRow(table, IDC_DEVICE_TABLE_LIST, 5);
        PressButton(table, IDOK);
    });
    script.Then([&](HWND device) {
        PaintNow(device);
        deviceOpen = EnterOnRow(device, IDC_DEVICE_LIST, 1);
        PressButton(device, IDOK);
    });
    script.Then([](HWND width) { PressButton(width, IDC_WIDTH_NARROW); });
    EXPECT_EQ(OpenTable(), 1);
    EXPECT_TRUE(tableOpen);
    EXPECT_TRUE(deviceOpen);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(Working(5).busWidth, 8);
}

TEST_F(DeviceDialogs, APickerLeftWithoutAChoiceKeepsTheHostsEarlierWidth)
{
    // Cancel, or Enter with no default button, after a width was chosen.
    for (bool stray : {false, true}) {
        for (int id = 0; id < 16; ++id)
            Working(id).busWidth = 16;
        std::wstring shown;
        OnDevice(kHost, [&](HWND device) {
            DoubleClickRow(device, IDC_DEVICE_LIST, 1);
            DoubleClickRow(device, IDC_DEVICE_LIST, 1);
            shown = DeviceRows(device)[1];
            PressButton(device, IDOK);
        });
        script.Then([](HWND width) { PressButton(width, IDC_WIDTH_NARROW); });
        script.Then([stray](HWND width) {
            if (stray)
                PostMessageW(width, WM_COMMAND, IDOK, 0);
            else
                PressButton(width, IDCANCEL);
        });
        OpenTable();
        EXPECT_EQ(shown, Text(IDS_DEVICE_ROW0 + 1) + L" 8");
        for (int id = 0; id < 16; ++id)
            EXPECT_EQ(Working(id).busWidth, 8) << "entry " << id << (stray ? " after a stray command" : " after Cancel");
    }
}

TEST_F(DeviceDialogs, PickersThatCannotOpenChangeNothing)
{
    // A module with none of the device dialogs and pickers.
    HMODULE english = languageModule,
            broken = LoadLibraryExW(FixtureModule(L"enb").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(broken, nullptr);
    Working(kHost).busWidth = 8;  // the host's entry differs from the others
    yesChosen = 1;                // left by an earlier picker
    DeviceEntry before = {};
    OnDevice(5, [&](HWND device) {
        before = editEntry;
        languageModule = broken;
        for (int row = 0; row < 7; ++row)
            DoubleClickRow(device, IDC_DEVICE_LIST, row);
        languageModule = english;
        EXPECT_EQ(std::memcmp(&editEntry, &before, sizeof(DeviceEntry)), 0);
        EXPECT_EQ(rateChanged + widthChanged + option0Changed + valueChanged + option1Changed + option2Changed +
                      option3Changed, 0);
        EXPECT_EQ(workingRecords[1].modified, 0);
        PressButton(device, IDOK);
    });
    OpenTable();
    EXPECT_TRUE(script.Done());

    // A device dialog that cannot open copies nothing from the host's row,
    // whatever an earlier edit of another row left in the change flags.
    widthChanged = 1;
    script.Then([&](HWND table) {
        languageModule = broken;
        DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, kHost);
        languageModule = english;
        PressButton(table, IDOK);
    });
    OpenTable();
    for (int id = 0; id < 16; ++id)
        EXPECT_EQ(Working(id).busWidth, id == kHost ? 8 : 16) << id;
    EXPECT_EQ(workingRecords[1].modified, 0);
    FreeLibrary(broken);
}

TEST_F(DeviceDialogs, TheHostsRowFollowsTheHostIdAndCopiesOneFieldAtATime)
{
    // Entries whose flag bytes differ in every bit; values all different.
    const std::uint8_t flags[2] = {0xA5, 0x5A};
    for (int id = 0; id < 16; ++id) {
        Working(id).deviceFlags = flags[id % 2];
        Working(id).syncCode.set(static_cast<std::uint16_t>(id % 2 ? 100 : 48));
        Working(id).deviceValue.set(static_cast<std::uint16_t>(100 + id));
    }
    // The host ID changed in the adapter dialog, confirmed and not saved.
    script.Then([](HWND dialog) {
        DoubleClickRow(dialog, IDC_ADAPTER_LIST, 2);
        PressButton(dialog, IDOK);
    });
    script.Then([](HWND picker) { PressButton(picker, IDC_HOST_ID_BASE + 5); });
    ASSERT_EQ(DialogBoxParamW(languageModule, MAKEINTRESOURCEW(IDD_ADAPTER), nullptr, AdapterDlgProc, 0), 1);
    ASSERT_EQ(workingRecords[1].image.hostId, 5);
    workingRecords[1].modified = 0;
    script.Then([&](HWND table) {
        rows = TableRows(table);
        PressButton(table, IDCANCEL);
    });
    OpenTable();
    EXPECT_EQ(rows[5].substr(0, 16), L"05 - Ktr-a0130\t\t") << "no device at 5: the host's row names the chip";
    EXPECT_EQ(Columns(rows[5])[0], Text(IDS_MIXED));
    EXPECT_EQ(Columns(rows[5])[3], Text(IDS_MIXED));
    EXPECT_EQ(Columns(rows[kHost])[3], L"107") << "row 7 is an ordinary row now";

    const SettingsImage start = workingRecords[1].image;
    struct Field {
        int row;
        std::function<void(HWND)> pick;
        std::function<void(DeviceEntry &)> apply;  // what the host's row gives every entry
    };
    const Field fields[] = {
        {0, [](HWND p) { PressButton(p, IDC_RATE_BASE + 2); }, [](DeviceEntry &e) { e.syncCode.set(200); }},
        {3,
         [](HWND p) {
             SetDlgItemTextW(p, IDC_VALUE_EDIT, L"42");
             PressButton(p, IDOK);
         },
         [](DeviceEntry &e) { e.deviceValue.set(42); }},
        {2, [](HWND p) { PressButton(p, IDC_NO_OPTION0); }, [](DeviceEntry &e) { e.deviceFlags &= ~1u; }},
        {4, [](HWND p) { PressButton(p, IDC_YES_OPTION12); }, [](DeviceEntry &e) { e.deviceFlags |= 2u; }},
        {5, [](HWND p) { PressButton(p, IDC_NO_OPTION12); }, [](DeviceEntry &e) { e.deviceFlags &= ~4u; }},
        {6, [](HWND p) { PressButton(p, IDC_YES_OPTION3); }, [](DeviceEntry &e) { e.deviceFlags |= 8u; }},
    };
    for (const Field &f : fields) {
        workingRecords[1].image.deviceTable = start.deviceTable;
        for (int id = 0; id < 16; ++id)
            Working(id).busWidth = 16;  // one width, so that the rate may be edited
        const SettingsImage before = workingRecords[1].image;
        OnDevice(5, [&f](HWND device) {
            DoubleClickRow(device, IDC_DEVICE_LIST, f.row);
            PressButton(device, IDOK);
        });
        script.Then(f.pick);
        OpenTable();
        ASSERT_TRUE(script.Done()) << "row " << f.row;
        for (int id = 0; id < 16; ++id) {
            DeviceEntry expected = before.deviceTable[static_cast<size_t>(id)];
            f.apply(expected);
            EXPECT_EQ(std::memcmp(&Working(id), &expected, sizeof(DeviceEntry)), 0) << "row " << f.row << ", entry " << id;
        }
    }

    // On row 7, no longer the host's, a change reaches entry 7 alone.
    const SettingsImage before = workingRecords[1].image;
    OnDevice(kHost, [](HWND device) {
        DoubleClickRow(device, IDC_DEVICE_LIST, 1);
        PressButton(device, IDOK);
    });
    script.Then([](HWND width) { PressButton(width, IDC_WIDTH_NARROW); });
    OpenTable();
    for (int id = 0; id < 16; ++id)
        EXPECT_EQ(Working(id).busWidth, id == kHost ? 8 : before.deviceTable[static_cast<size_t>(id)].busWidth) << id;
}

TEST_F(DeviceDialogs, EmptyNamesStayEmpty)
{
    wchar_t name[4] = {0, L'A', L'B', 0};
    LowerAfterFirst(name);
    EXPECT_EQ(name[1], L'A') << "nothing after the terminator is read or changed";
    EXPECT_EQ(name[2], L'B');
}
