// The device table draws its two header lines in a font of its own, while
// the list below places its columns at tab stops counted in dialog units of
// the module's dialog font. In every module of the program folder each label
// has to start over its own column, at the display's resolution.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/shell.h"
#include "dialogs/dialog_shared.h"
#include "dialogs/dialogs.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "tests/modal_script.h"
#include "tests/program_support.h"

namespace {

constexpr int kValueColumns = 7;
// A row is "NN - name\t\t" and then the values: the name stands at the list's
// left, and its two tabs take the rate column to the second stop.
constexpr int kFirstValueStop = 1;

std::string Narrow(const std::wstring &w)
{
    char text[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, text, sizeof text, nullptr, nullptr);
    return text;
}

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

class TableHeader : public testing::TestWithParam<std::wstring> {
protected:
    void SetUp() override
    {
        previousModule = languageModule;
        previousLcid = currentLcid;
        module = LoadLibraryW(GetParam().c_str());
        ASSERT_NE(module, nullptr) << "cannot load " << Narrow(GetParam());
        // The table runs in the language that the module's template 104 declares.
        WORD language = 0;
        EnumResourceLanguagesW(module, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_LANGUAGE_TAG), FirstLanguage,
                               reinterpret_cast<LONG_PTR>(&language));
        languageModule = module;
        currentLcid = language;
        ResetProgramState();
        adapterCount = 1;
        workingRecords[0].chipType = 13;
        workingRecords[0].image.hostId = 7;
        savedRecords[0] = workingRecords[0];
        AddDeviceMap(0, 1, {3});
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

TEST_P(TableHeader, EveryLabelStartsOverItsOwnColumn)
{
    HWND table = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_DEVICE_TABLE), nullptr, DeviceTableDlgProc, 0);
    ASSERT_NE(table, nullptr);
    HWND list = GetDlgItem(table, IDC_DEVICE_TABLE_LIST);
    ASSERT_NE(list, nullptr);
    drawn.clear();
    realTextOut = reinterpret_cast<decltype(realTextOut)>(SwapImport("TextOutW", reinterpret_cast<void *>(RecordTextOut)));
    ASSERT_NE(realTextOut, nullptr);
    const std::vector<INT> sentStops = TabStopsOfPaint(table, IDC_DEVICE_TABLE_LIST);
    SwapImport("TextOutW", reinterpret_cast<void *>(realTextOut));
    ASSERT_EQ(sentStops.size(), 10u);
    ASSERT_GT(charWidth, 0);

    // The stops in pixels of the dialog's client area: the list converts
    // them from dialog units of its font, from the left of its own client area.
    POINT origin = {0, 0};
    MapWindowPoints(list, table, &origin, 1);
    std::vector<int> stops;
    for (INT units : sentStops) {
        RECT r = {units, 0, 0, 0};
        MapDialogRect(table, &r);
        stops.push_back(origin.x + r.left);
    }

    for (UINT id : {IDS_TABLE_HEADER1, IDS_TABLE_HEADER2}) {
        const std::wstring line = Text(id);
        const DrawnText *header = nullptr;
        for (const DrawnText &d : drawn)
            if (d.text == line)
                header = &d;
        ASSERT_NE(header, nullptr) << "string " << id << " was not drawn";
        const std::vector<int> starts = LabelStarts(line);
        EXPECT_EQ(starts.size(), static_cast<size_t>(kValueColumns))
            << "string " << id << " names every value column: \"" << Narrow(line) << "\"";
        for (size_t column = 0; column < starts.size() && column < kValueColumns; ++column) {
            const int x = header->x + header->extents[static_cast<size_t>(starts[column])];
            const int stop = stops[kFirstValueStop + column], next = stops[kFirstValueStop + column + 1];
            EXPECT_LE(2 * std::abs(x - stop), next - stop)
                << "string " << id << ", label " << column + 1 << " starts at " << x << " px, its column at "
                << stop << " px (the next at " << next << ")";
        }
    }
    DestroyWindow(table);
}

INSTANTIATE_TEST_SUITE_P(Installed, TableHeader, testing::ValuesIn(LanguageModuleFiles()),
                         [](const testing::TestParamInfo<std::wstring> &info) {
                             std::string name;
                             for (wchar_t ch : info.param.substr(0, 3))
                                 name += static_cast<char>(ch);
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TableHeader);
