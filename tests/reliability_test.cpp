// The load and save against every kind of driver reply, random images
// through a load and a save, the program's handles over many openings, and
// language modules that lack what the program loads from them.
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <random>
#include <vector>

#include "app/main_window.h"
#include "app/program.h"
#include "app/shell.h"
#include "dialogs/dialogs.h"
#include "discovery/device_map.h"
#include "emulator/bench_format.h"
#include "language/language_selection.h"
#include "language/module_file.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "store/chip_table.h"
#include "store/defaults.h"
#include "store/settings_transport.h"
#include "tests/emulator_support.h"
#include "tests/modal_script.h"
#include "tests/program_support.h"

namespace {

bool ClearedByLoad(size_t at)
{
    return at >= 20 && at < 76 && (at - 20) % 14 != 8 && (at - 20) % 14 != 9;
}

int AdapterOfPort(int port)
{
    for (int i = 0; i < adapterCount; ++i)
        if (deviceMaps[i]->portNumber == port)
            return i;
    return -1;
}

}  // namespace

TEST(DriverReplies, LoadAndSaveKeepTheirPromisesOverEveryKindOfReply)
{
    LoadLanguage();
    std::mt19937 gen(77);
    int reads = 0, failedReads = 0, writes = 0, failedWrites = 0;
    for (int round = 0; round < 8; ++round) {
        ResetProgramState();
        Bench bench;
        const std::uint32_t unrecognised[] = {0x03, 0x10, 0x0F, 0x44, 0xF0, 0x33};
        for (int port = 0; port < 32; ++port) {
            BenchPort p;
            p.number = port;
            p.driver = L"ktrscsi";
            p.isAdapter = true;
            BenchAdapter &a = p.adapter;
            a.chip = static_cast<std::uint8_t>(gen() % 20 == 0 ? gen() : gen() % 16);
            switch (gen() % 4) {
            case 0: a.status = 0; break;
            case 1: a.status = 1 | (gen() % 16) << 4; break;  // a low nibble of 1: invalid
            case 2: a.status = 2; break;
            default: a.status = unrecognised[gen() % 6]; break;
            }
            a.status |= static_cast<std::uint32_t>(a.chip) << 8 | (gen() & 0xFFFF0000u);
            a.length = gen() % 5 == 0 ? gen() % 4097 : 1260;
            const int fault = static_cast<int>(gen() % 8);
            a.faults = fault == 0 ? KTREMU_FAULT_NO_DEVICE : fault == 1 ? KTREMU_FAULT_OPEN_FAILS
                       : fault == 2 ? KTREMU_FAULT_READ_FAILS : 0;
            a.image = BenchImage::Random;
            a.seed = gen();
            bench.ports.push_back(p);
        }
        ASSERT_EQ(InstallTestBench(bench), "");
        MessageBoxWatcher boxes;
        ASSERT_EQ(LoadAllAdapterSettings(&adapterCount), 1);
        ASSERT_EQ(adapterCount, 32);
        int expectedWarnings = 0;
        for (const BenchPort &p : bench.ports) {
            const BenchAdapter &a = p.adapter;
            const AdapterRecord &r = savedRecords[AdapterOfPort(p.number)];
            ++reads;
            if (a.faults) {
                ++expectedWarnings;
                ++failedReads;
                EXPECT_EQ(r.chipType, 0);
                EXPECT_EQ(r.imageLength, 0u);
                continue;
            }
            EXPECT_EQ(r.imageLength, a.length);
            std::string error;
            const std::vector<std::uint8_t> image = MakeBenchImage(a, error);
            if ((a.status & 0xFF) == 0) {
                EXPECT_EQ(r.chipType, a.chip);
                for (size_t at = 0; at < kImageSize; ++at)
                    if (!ClearedByLoad(at)) {
                        ASSERT_EQ(reinterpret_cast<const std::uint8_t *>(&r.image)[at], image[at]);
                    }
            } else if ((a.status & 0x0F) == 1 || (a.status & 0x0F) == 2) {
                EXPECT_EQ(r.chipType, a.chip);
                EXPECT_EQ(r.image.adapterFlags.get(), 0x000F);
                EXPECT_EQ(r.image.deviceTable[9].busWidth, DefaultBusWidth(a.chip));
            } else {
                EXPECT_EQ(r.chipType, 0) << std::hex << a.status;
            }
        }
        EXPECT_EQ(static_cast<int>(boxes.boxes.size()), expectedWarnings) << "one warning per failed read";

        // Writes: some modified, some of those failing.
        std::uint32_t modified = 0, expectFailed = 0;
        std::string error;
        for (const BenchPort &p : bench.ports) {
            const int i = AdapterOfPort(p.number);
            workingRecords[i] = savedRecords[i];
            const bool writeFails = gen() % 4 == 0;
            if (writeFails) {
                ASSERT_TRUE(SetPortFaults(p.number, p.adapter.faults | KTREMU_FAULT_WRITE_FAILS, error));
            }
            if (gen() % 2) {
                workingRecords[i].modified = 1;
                modified |= 1u << i;
                // A write waits for a read that finds the adapter as it was left.
                if (writeFails ||
                    (p.adapter.faults & (KTREMU_FAULT_NO_DEVICE | KTREMU_FAULT_OPEN_FAILS | KTREMU_FAULT_READ_FAILS)))
                    expectFailed |= 1u << i;
            }
        }
        const std::uint32_t failed = SaveAllAdapterSettings();
        EXPECT_EQ(failed, expectFailed) << "every failed write is reported, no other";
        for (const BenchPort &p : bench.ports) {
            const int i = AdapterOfPort(p.number);
            const PortCounts c = ReadPortCounts(p.number);
            const bool written = (modified & (1u << i)) && !(failed & (1u << i));
            EXPECT_EQ(c.writes, written ? 1u : 0u) << "port " << p.number;
            EXPECT_LE(c.reads, (modified & (1u << i)) ? 2u : 1u);
            writes += (modified >> i) & 1;
            failedWrites += (failed >> i) & 1;
        }
    }
    ResetProgramState();
    std::printf("%d reads (%d failing), %d writes (%d failing)\n", reads, failedReads, writes, failedWrites);
}

TEST(Images, EveryByteOfARandomImageLeavesAsItCame)
{
    LoadLanguage();
    ResetProgramState();
    std::string bench;
    for (int port = 0; port < 32; ++port)
        bench += "port " + std::to_string(port) + " driver ktrwide\n  adapter chip " + std::to_string(port % 16) + "\n";
    ASSERT_EQ(InstallTestBench(bench), "");
    int images = 0;
    for (int round = 0; round < 32; ++round) {
        std::vector<std::vector<std::uint8_t>> before(32);
        for (int port = 0; port < 32; ++port) {
            before[static_cast<size_t>(port)] = RandomBytes(kImageSize, static_cast<unsigned>(round * 32 + port));
            ASSERT_TRUE(WriteStoredImage(port, before[static_cast<size_t>(port)]));
        }
        ResetProgramState();
        MessageBoxWatcher boxes;
        ASSERT_EQ(LoadAllAdapterSettings(&adapterCount), 1);
        for (int i = 0; i < adapterCount; ++i) {
            workingRecords[i] = savedRecords[i];
            workingRecords[i].modified = 1;
        }
        ASSERT_EQ(SaveAllAdapterSettings(), 0u);
        for (int port = 0; port < 32; ++port, ++images) {
            std::vector<std::uint8_t> after;
            ASSERT_TRUE(ReadStoredImage(port, after));
            for (size_t at = 0; at < kImageSize; ++at) {
                std::uint8_t expected = ClearedByLoad(at) ? 0 : before[static_cast<size_t>(port)][at];
                if (at == 6)
                    expected &= 0xF7;  // the mark of substituted defaults never reaches an adapter
                ASSERT_EQ(after[at], expected) << "image " << images << " byte " << at;
            }
        }
        EXPECT_TRUE(boxes.boxes.empty());
    }
    ResetProgramState();
    std::printf("%d random images loaded and saved\n", images);
}

namespace {

// Wine keeps no per-process object counts (GetGuiResources answers 0), but
// it hands out the lowest free slots of its handle tables: the highest slot
// that 64 fresh objects take grows with every object that was never freed.
template <typename Make, typename Free>
unsigned HighestSlot(Make make, Free free)
{
    unsigned highest = 0;
    std::vector<decltype(make())> made;
    for (int i = 0; i < 64; ++i) {
        made.push_back(make());
        highest = std::max(highest, static_cast<unsigned>(reinterpret_cast<UINT_PTR>(made.back()) & 0xFFFF));
    }
    for (auto handle : made)
        free(handle);
    return highest;
}

struct Usage {
    unsigned gdi, user;
    SIZE_T memory;
};

Usage Measure()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return {HighestSlot([] { return CreateSolidBrush(0); }, [](HBRUSH b) { DeleteObject(b); }),
            HighestSlot([] { return CreateMenu(); }, [](HMENU m) { DestroyMenu(m); }), counters.PagefileUsage};
}

}  // namespace

TEST(Handles, TheProbeSeesObjectsThatWereNeverFreed)
{
    const Usage before = Measure();
    std::vector<HFONT> fonts;
    std::vector<HMENU> menus;
    for (int i = 0; i < 300; ++i) {
        fonts.push_back(CreateFontW(-11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma"));
        menus.push_back(CreateMenu());
    }
    const Usage leaking = Measure();
    for (HFONT f : fonts)
        DeleteObject(f);
    for (HMENU m : menus)
        DestroyMenu(m);
    EXPECT_GE(leaking.gdi, before.gdi + 200);
    EXPECT_GE(leaking.user, before.user + 200);
}

TEST(Handles, ManyOpeningsAndLanguageChangesLeaveNothingBehind)
{
    ResetProgramState();
    ASSERT_EQ(InstallTestBench("port 1 driver ktrscsi\n  adapter chip 13\n  unit 3 0 \"NORTHDISK ND-4550S\"\n"), "");
    ASSERT_TRUE(StartProgram(GetModuleHandleW(nullptr)));
    HWND window = CreateMainWindow();
    ASSERT_NE(window, nullptr);
    ModalScript script;
    MessageBoxWatcher boxes;
    auto cycle = [&](int count) {
        for (int i = 0; i < count; ++i) {
            script.Then([](HWND dialog) {
                PaintNow(dialog);
                PaintNow(dialog);
                PressButton(dialog, IDCANCEL);
            });
            SendMessageW(window, WM_COMMAND, IDM_ADAPTER_BASE, 0);
            script.Then([](HWND table) {
                PaintNow(table);
                DoubleClickRow(table, IDC_DEVICE_TABLE_LIST, 3);
                PressButton(table, IDCANCEL);
            });
            script.Then([](HWND device) {
                PaintNow(device);
                PressButton(device, IDCANCEL);
            });
            SendMessageW(window, WM_COMMAND, IDM_DEVICE_TABLE_BASE, 0);
            PumpMessages();
        }
    };
    auto languages = [&](int count) {
        for (int i = 0; i < count; ++i) {
            script.Then([i](HWND dialog) {
                PaintNow(dialog);
                DoubleClickRow(dialog, IDC_LANGUAGE_LIST, i % languageCount);
            });
            SendMessageW(window, WM_COMMAND, IDM_LANGUAGE, 0);
            PostMessageW(window, WM_PAINT, 0, 0);
            PumpMessages();
        }
    };
    cycle(20);      // let every cache fill once
    languages(10);
    const Usage before = Measure();
    cycle(1000);
    languages(100);
    const Usage after = Measure();
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_LE(after.gdi, before.gdi + 16) << "fonts made for the headers are deleted";
    EXPECT_LE(after.user, before.user + 16) << "menus that are replaced are destroyed";
    EXPECT_LE(after.memory, before.memory + 2 * 1024 * 1024);
    std::printf("highest GDI slot %u -> %u, highest menu slot %u -> %u, memory %lu -> %lu KiB\n", before.gdi, after.gdi,
                before.user, after.user, static_cast<unsigned long>(before.memory / 1024),
                static_cast<unsigned long>(after.memory / 1024));
    CloseProgramWindow(window);
    UnregisterClassW(windowCaption, GetModuleHandleW(nullptr));
    ResetProgramState();
}

TEST(BadLanguageModules, AModuleWithoutMenuAndDialogsIsNotTakenUp)
{
    wchar_t program[MAX_PATH], temp[MAX_PATH], folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, program);
    GetTempPathW(MAX_PATH, temp);
    wsprintfW(folder, L"%sktrcfg-bad-%lu", temp, GetCurrentProcessId());
    CreateDirectoryW(folder, nullptr);
    const std::wstring eng = std::wstring(folder) + L"\\eng_lang.dll", bare = std::wstring(folder) + L"\\tag_lang.dll";
    ASSERT_TRUE(CopyFileW((std::wstring(program) + L"\\eng_lang.dll").c_str(), eng.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((std::wstring(KTR_FIXTURES) + L"\\tag_lang.dll").c_str(), bare.c_str(), FALSE));

    ResetProgramState();
    ASSERT_EQ(InstallTestBench("port 1 driver ktrscsi\n  adapter chip 13\n"), "");
    ASSERT_TRUE(StartProgram(GetModuleHandleW(nullptr)));
    wsprintfW(programFolder, L"%s\\", folder);  // the folder stands in for the program's own
    HWND window = CreateMainWindow();
    ModalScript script;
    MessageBoxWatcher boxes;
    const HMODULE english = languageModule;
    script.Then([](HWND dialog) {
        PaintNow(dialog);
        for (int i = 0; i < languageCount; ++i)
            if (languages[i].primaryLanguage == LANG_ITALIAN)
                DoubleClickRow(dialog, IDC_LANGUAGE_LIST, i);
    });
    SendMessageW(window, WM_COMMAND, IDM_LANGUAGE, 0);
    PumpMessages();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(languageModule, english);
    EXPECT_STREQ(languageModuleName, L"eng_lang");
    EXPECT_EQ(currentLcid, 1033u);
    wchar_t text[64];
    GetWindowTextW(saveButton, text, 64);
    EXPECT_EQ(std::wstring(text), ModuleText(IDS_SAVE_BUTTON));
    EXPECT_NE(GetMenu(window), nullptr);
    CloseProgramWindow(window);
    UnregisterClassW(windowCaption, GetModuleHandleW(nullptr));
    ResetProgramState();
    FindProgramFolder();
    DeleteFileW(eng.c_str());
    DeleteFileW(bare.c_str());
    RemoveDirectoryW(folder);
}
