// The device table draws its two header lines in a font of its own, while
// the list below draws its rows at tab stops that it converts from dialog
// units of its own font. In every module of the program folder, at the
// display's resolution, each value has to stand under its column's title,
// and the last one inside the list.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/shell.h"
#include "dialogs/dialog_shared.h"
#include "dialogs/dialogs.h"
#include "discovery/device_map.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "store/defaults.h"
#include "store/utf8.h"
#include "tests/modal_script.h"
#include "tests/program_support.h"

namespace {

constexpr int kValueColumns = 7;
// A row is "NN - name\t\t" and then the values, one tab between each two.
constexpr int kTabsBeforeValues = 2;

// Where the labels of a header line start: the first non-blank character,
// then every one that follows two or more blanks (one blank stays inside a
// label, as in "out s").
std::vector<int> LabelStarts(const std::wstring &line)
{
    std::vector<int> starts;
    int blanks = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == L' ') {
            ++blanks;
            continue;
        }
        if (starts.empty() || blanks >= 2)
            starts.push_back(static_cast<int>(i));
        blanks = 0;
    }
    return starts;
}

// What the table draws, and where: the x of each text and the width of each
// of its beginnings in the font that drew it.
struct DrawnText {
    int x;
    std::wstring text;
    std::vector<int> extents;
};
std::vector<DrawnText> drawn;
BOOL(WINAPI *realTextOut)(HDC, int, int, LPCWSTR, int);

BOOL WINAPI RecordTextOut(HDC dc, int x, int y, LPCWSTR text, int length)
{
    DrawnText d = {x, std::wstring(text, static_cast<size_t>(length)), {}};
    for (int n = 0; n <= length; ++n) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, text, n, &size);
        d.extents.push_back(size.cx);
    }
    drawn.push_back(d);
    return realTextOut(dc, x, y, text, length);
}

BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context)
{
    *reinterpret_cast<WORD *>(context) = language;
    return FALSE;
}

// The rows that the table shows: the demo bench's names, the defaults, and
// every other word that a column can show, the host's row mixed throughout.
void FillTable()
{
    AdapterRecord &record = workingRecords[0];
    record.chipType = 13;
    FillDefaultSettings(record);
    record.image.hostId = 7;
    DeviceEntry *e = record.image.deviceTable.data();
    e[1].deviceFlags = 0;  // off, no, no, disabled
    e[2].syncCode.set(0);  // asynchronous
    e[2].busWidth = 8;
    e[3].syncCode.set(50);  // not available, twice
    e[3].busWidth = 12;
    e[4].syncCode.set(200);  // " 5" narrow
    e[4].busWidth = 8;
    e[5].deviceValue.set(65535);
    savedRecords[0] = record;
    AddDeviceMap(0, 1, {0, 1, 3, 4});
    const wchar_t *names[] = {L"NORTHDISK ND-4550S      2.03", L"ORBITAL  OR-36W LVD     0102",
                              L"SCANTEC  ST-1200 SCANNER 1.4", L"JUKEBIT  CDJ-6 CHANGER  1.10"};
    for (int n = 0; n < 4; ++n)
        lstrcpyW(deviceMaps[0]->devices[n].identifier, names[n]);
}

// Where the list draws each value of a row, in the dialog's client area:
// in its own font, at its stops converted from dialog units of that font as
// the list converts them, counted from its left edge. The last entry is
// where the row ends.
std::vector<int> ValueStarts(HWND table, HWND list, const std::wstring &row, const std::vector<INT> &units)
{
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE alphabet = {};
    GetTextExtentPoint32W(dc, L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", 52, &alphabet);
    const int average = (alphabet.cx / 26 + 1) / 2;
    std::vector<INT> stops;
    for (INT u : units)
        stops.push_back(MulDiv(u, average, 4));
    POINT origin = {0, 0};
    MapWindowPoints(list, table, &origin, 1);
    std::vector<int> starts;
    int tabs = 0;
    for (size_t i = 0; i <= row.size(); ++i) {
        if (i < row.size() && (row[i] != L'\t' || ++tabs < kTabsBeforeValues))
            continue;
        const DWORD size = GetTabbedTextExtentW(dc, row.c_str(), static_cast<int>(i < row.size() ? i + 1 : i),
                                                static_cast<int>(stops.size()), stops.data());
        starts.push_back(origin.x + LOWORD(size));
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return starts;
}

class TableColumns : public testing::TestWithParam<std::wstring> {
protected:
    void SetUp() override
    {
        previousModule = languageModule;
        previousLcid = currentLcid;
        module = LoadModuleFile(GetParam());
        ASSERT_NE(module, nullptr) << "cannot load " << Utf8(GetParam());
        // The table runs in the language that the module's template 104 declares.
        WORD language = 0;
        EnumResourceLanguagesW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_LANGUAGE_TAG), FirstLanguage,
                               reinterpret_cast<LONG_PTR>(&language));
        languageModule = module;
        currentLcid = language;
        ResetProgramState();
        adapterCount = 1;
        FillTable();
    }
    void TearDown() override
    {
        ResetProgramState();
        languageModule = previousModule;
        currentLcid = previousLcid;
        if (module)
            FreeLibrary(module);
    }
    std::wstring Text(UINT id)
    {
        wchar_t text[kStringRoom] = {};
        LoadStringW(module, id, text, kStringRoom);
        return text;
    }
    HMODULE module = nullptr;
    HMODULE previousModule = nullptr;
    DWORD previousLcid = 0;
};

}  // namespace

TEST_P(TableColumns, EveryValueStandsUnderItsTitle)
{
    HWND table = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_DEVICE_TABLE), nullptr, DeviceTableDlgProc, 0);
    ASSERT_NE(table, nullptr);
    HWND list = GetDlgItem(table, IDC_DEVICE_TABLE_LIST);
    ASSERT_NE(list, nullptr);
    drawn.clear();
    realTextOut = reinterpret_cast<decltype(realTextOut)>(SwapImport("TextOutW", reinterpret_cast<void *>(RecordTextOut)));
    ASSERT_NE(realTextOut, nullptr);
    const std::vector<INT> units = TabStopsOfPaint(table, IDC_DEVICE_TABLE_LIST);
    SwapImport("TextOutW", reinterpret_cast<void *>(realTextOut));
    const std::vector<std::wstring> rows = ListLines(list);
    ASSERT_EQ(rows.size(), static_cast<size_t>(kScsiIds));

    // Each column's title starts where the first of its two header lines does.
    std::vector<int> titles(kValueColumns, 0x7fff);
    for (UINT id : {IDS_TABLE_HEADER1, IDS_TABLE_HEADER2}) {
        const std::wstring line = Text(id);
        const DrawnText *header = nullptr;
        for (const DrawnText &d : drawn)
            if (d.text == line)
                header = &d;
        ASSERT_NE(header, nullptr) << "string " << id << " was not drawn";
        const std::vector<int> starts = LabelStarts(line);
        ASSERT_EQ(starts.size(), static_cast<size_t>(kValueColumns))
            << "string " << id << " names every value column: \"" << Utf8(line) << "\"";
        for (int c = 0; c < kValueColumns; ++c)
            titles[c] = std::min(titles[c], header->x + header->extents[static_cast<size_t>(starts[c])]);
    }

    HDC screen = GetDC(nullptr);
    std::printf("device table at %d dots per inch, fixed font %d pixels wide\n", GetDeviceCaps(screen, LOGPIXELSX),
                charWidth);
    ReleaseDC(nullptr, screen);
    RECT inside;
    GetClientRect(list, &inside);
    MapWindowPoints(list, table, reinterpret_cast<POINT *>(&inside), 2);
    // The row that strays furthest, in each column and at the end.
    std::vector<int> worst(kValueColumns + 1, 0);
    std::vector<std::vector<int>> shown;
    for (size_t r = 0; r < rows.size(); ++r) {
        shown.push_back(ValueStarts(table, list, rows[r], units));
        ASSERT_EQ(shown[r].size(), static_cast<size_t>(kValueColumns + 1)) << Utf8(rows[r]);
        for (int c = 0; c < kValueColumns; ++c)
            if (std::abs(shown[r][c] - titles[c]) > std::abs(shown[worst[c]][c] - titles[c]))
                worst[c] = static_cast<int>(r);
        if (shown[r][kValueColumns] > shown[worst[kValueColumns]][kValueColumns])
            worst[kValueColumns] = static_cast<int>(r);
    }
    for (int c = 0; c < kValueColumns; ++c) {
        // Nearer its own title than the next one's, and no further before it.
        const int pitch = c + 1 < kValueColumns ? titles[c + 1] - titles[c] : titles[c] - titles[c - 1];
        const int x = shown[worst[c]][c];
        EXPECT_LE(2 * std::abs(x - titles[c]), pitch) << "value " << c + 1 << " at " << x << " px, its title at "
                                                      << titles[c] << " px: \"" << Utf8(rows[worst[c]]) << "\"";
    }
    EXPECT_LE(shown[worst[kValueColumns]][kValueColumns], inside.right)
        << "a row ends outside the list, whose right edge is at " << inside.right << " px: \""
        << Utf8(rows[worst[kValueColumns]]) << "\"";
    DestroyWindow(table);
}

INSTANTIATE_TEST_SUITE_P(Installed, TableColumns, testing::ValuesIn(LanguageModuleFiles()),
                         [](const testing::TestParamInfo<std::wstring> &info) {
                             std::string name;
                             for (wchar_t ch : info.param.substr(0, 3))
                                 name += static_cast<char>(ch);
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TableColumns);
