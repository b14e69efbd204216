// Benchmarks of ktrcfg under Wine against the emulator. Prints figures; it
// passes or fails nothing on a timing.
//   ktrcfg_bench startup demo|big32 RUNS [PROGRAM...]
//                                          time to the painted adapter list, as a ratio to a bare window;
//                                          other builds of ktrcfg.exe in the program folder beside it
//   ktrcfg_bench cli demo|big32 RUNS       ktrcli list, backup and verify beside ktrcfg's time to its list
//   ktrcfg_bench io                        requests per load and save, as the emulator counts them
//   ktrcfg_bench paint                     device table and language dialog paint times
//   ktrcfg_bench history                   a save of one adapter, without and with keeping what it held
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "app/shell.h"
#include "dialogs/dialogs.h"
#include "discovery/device_map.h"
#include "language/language_selection.h"
#include "language/module_file.h"
#include "language/resource_ids.h"
#include "settings_file/settings_history.h"
#include "store/adapter_record.h"
#include "store/adapters.h"
#include "store/report.h"
#include "store/settings_transport.h"
#include "tests/emulator_support.h"
#include "tests/modal_script.h"
#include "tests/program_support.h"
#include "tests/robot.h"

namespace {

double Now()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Search {
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM context)
{
    if (!GetWindow(window, GW_OWNER) && GetDlgItem(window, 2)) {
        reinterpret_cast<Search *>(context)->found = window;
        return FALSE;
    }
    return TRUE;
}

// Milliseconds from process creation to a list of at least `lines` lines.
double TimeToList(const std::wstring &program, int lines)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring command = program;
    const double start = Now();
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    double took = -1;
    for (int i = 0; i < 20000 && took < 0; ++i) {
        Search search = {nullptr};
        EnumThreadWindows(process.dwThreadId, FindTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found && SendMessageW(GetDlgItem(search.found, 2), LB_GETCOUNT, 0, 0) >= lines)
            took = Now() - start;
        else
            Sleep(0);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return took;
}

Bench MakeBench(const std::string &name, int &adapters)
{
    Bench bench;
    std::string error;
    if (name == "big32") {
        for (int port = 0; port < 32; ++port) {
            BenchPort p;
            p.number = port;
            p.driver = port % 2 ? L"ktrwide" : L"ktrscsi";
            p.irq = static_cast<std::uint32_t>(port);
            p.io = 0x1000u + static_cast<std::uint32_t>(port) * 0x40u;
            p.isAdapter = true;
            p.adapter.chip = 13;
            p.adapter.status = 13u << 8;
            for (int u = 0; u < 32; ++u) {
                BenchUnit unit;
                unit.target = u % 16;
                unit.lun = u / 16;
                unit.identifier = L"NORTHDISK ND-9100W " + std::to_wstring(u);
                p.units.push_back(unit);
            }
            bench.ports.push_back(p);
        }
    } else {
        LoadBenchFile(KTR_DEMO_BENCH, bench, error);
    }
    adapters = 0;
    for (const BenchPort &p : bench.ports)
        adapters += p.isAdapter;
    return bench;
}

// Installs the bench of that name; false when it could not (and says why).
bool InstallNamedBench(const std::string &name, int &adapters)
{
    const std::string error = InstallTestBench(MakeBench(name, adapters));
    if (!error.empty())
        std::printf("bench: %s\n", error.c_str());
    return error.empty();
}

int Startup(const std::string &name, int runs, const std::vector<std::wstring> &others)
{
    int adapters = 0;
    if (!InstallNamedBench(name, adapters))
        return 1;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring bare = self;
    bare = bare.substr(0, bare.find_last_of(L'\\')) + L"\\bare_window.exe";
    std::vector<double> program, baseline;
    std::vector<std::vector<double>> other(others.size());
    TimeToList(L"ktrcfg.exe", adapters);  // the first start fills Wine's caches
    TimeToList(bare, 1);
    for (const std::wstring &o : others)
        TimeToList(o, adapters);
    for (int i = 0; i < runs; ++i) {
        baseline.push_back(TimeToList(bare, 1));
        program.push_back(TimeToList(L"ktrcfg.exe", adapters));
        for (std::size_t k = 0; k < others.size(); ++k)
            other[k].push_back(TimeToList(others[k], adapters));
    }
    const double p = Median(program), b = Median(baseline);
    std::printf("startup %-6s %2d adapters: ktrcfg %7.1f ms, bare window %7.1f ms, ratio %.2f (median of %d)\n",
                name.c_str(), adapters, p, b, b > 0 ? p / b : 0, runs);
    for (std::size_t k = 0; k < others.size(); ++k) {
        const double o = Median(other[k]);
        std::printf("startup %-6s %2d adapters: %ls %7.1f ms, ratio %.2f to the bare window\n", name.c_str(), adapters,
                    others[k].c_str(), o, b > 0 ? o / b : 0);
    }
    return 0;
}

// The console program from its start to its end, output on pipes as a
// script takes it, beside the windowed program's start to its list.
int Cli(const std::string &name, int runs)
{
    int adapters = 0;
    if (!InstallNamedBench(name, adapters))
        return 1;
    wchar_t here[MAX_PATH], temp[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, here);
    GetTempPathW(MAX_PATH, temp);
    const std::wstring cli = L"\"" + std::wstring(here) + L"\\ktrcli.exe\"";
    const std::wstring file = std::wstring(temp) + L"ktrcli-bench-" + std::to_wstring(GetCurrentProcessId()) + L".json";
    auto timed = [](const std::wstring &command, DWORD &code, std::size_t &lines) {
        const double start = Now();
        const ProgramRun run = RunProgram(command);
        const double took = Now() - start;
        code = run.exitCode;
        lines = ProgramRun::Lines(run.out).size();
        return took;
    };
    std::vector<double> list, backup, verify, window;
    DWORD code = 0, failed = 0;
    std::size_t lines = 0, listed = 0;
    timed(cli + L" list", code, lines);  // the first start fills Wine's caches
    TimeToList(L"ktrcfg.exe", adapters);
    for (int i = 0; i < runs; ++i) {
        list.push_back(timed(cli + L" list", code, listed));
        failed |= code;
        backup.push_back(timed(cli + L" backup \"" + file + L"\" --force", code, lines));
        failed |= code;
        verify.push_back(timed(cli + L" verify \"" + file + L"\"", code, lines));
        failed |= code;
        window.push_back(TimeToList(L"ktrcfg.exe", adapters));
    }
    DeleteFileW(file.c_str());
    std::printf("cli    %-6s %2d adapters: ktrcli list %7.1f ms, backup %7.1f ms, verify %7.1f ms, ktrcfg to its list "
                "%7.1f ms (median of %d)\n",
                name.c_str(), adapters, Median(list), Median(backup), Median(verify), Median(window), runs);
    if (failed || listed != static_cast<std::size_t>(adapters) + 1) {
        std::printf("cli: a run failed (exit codes %lu, %zu lines listed)\n", failed, listed);
        return 1;
    }
    return 0;
}

int Io()
{
    int adapters = 0;
    Bench bench = MakeBench("demo", adapters);
    if (!InstallTestBench(bench).empty())
        return 1;
    Robot robot;
    if (!robot.Start())
        return 1;
    robot.Expose(robot.main);
    robot.Lines(GetDlgItem(robot.main, 2));
    // Each report says what the step cost: the requests since the last one.
    PortCounts before[kMaxAdapters] = {};
    auto counts = [&](const char *when) {
        DWORD reads = 0, writes = 0, rejected = 0, touched = 0;
        for (const BenchPort &p : bench.ports)
            if (p.isAdapter && p.number < kMaxAdapters) {
                const PortCounts c = ReadPortCounts(p.number);
                PortCounts &b = before[p.number];
                reads += c.reads - b.reads;
                writes += c.writes - b.writes;
                rejected += c.rejected - b.rejected;
                touched += c.reads != b.reads || c.writes != b.writes;
                b = c;
            }
        std::printf("io %-28s %d adapters: %lu reads, %lu writes, %lu rejected; %lu adapters had a request\n", when,
                    adapters, reads, writes, rejected, touched);
    };
    counts("after start-up");
    robot.Command(robot.main, IDM_SAVE);
    robot.AnswerMessageBox();
    counts("after a save with no edit");
    robot.Command(robot.main, IDM_ADAPTER_BASE);
    HWND dialog = robot.WaitForDialog();
    robot.DoubleClickRow(dialog, IDC_ADAPTER_LIST, 0);
    robot.Click(dialog, IDOK);
    robot.WaitClosed(dialog);
    robot.Click(robot.main, 0);
    robot.AnswerMessageBox();
    robot.WaitForExit();
    counts("after one edit and a save");
    return 0;
}

// The bench runs in the program folder, but its own folder, where the
// program's code looks for modules, holds none: it looks there instead.
void UseFolderForModules(const wchar_t *folder)
{
    lstrcpynW(programFolder, folder, MAX_PATH - 1);
    lstrcatW(programFolder, L"\\");
}

int Paint()
{
    wchar_t program[MAX_PATH], temp[MAX_PATH], folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, program);
    LoadLanguage();
    UseFolderForModules(program);
    languageModule = LoadLanguageModule(L"eng_lang");
    ResetProgramState();
    adapterCount = 1;
    currentAdapter = 0;
    workingRecords[0].chipType = 13;
    workingRecords[0].image.hostId = 7;
    AddDeviceMap(0, 1, {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15});
    ModalScript script;
    double tablePaint = 0, languagePaint = 0;
    const int paints = 200;
    script.Then([&](HWND table) {
        PaintNow(table);
        const double start = Now();
        for (int i = 0; i < paints; ++i)
            PaintNow(table);
        tablePaint = (Now() - start) / paints;
        PressButton(table, IDCANCEL);
    });
    DialogBoxParamW(languageModule, MAKEINTRESOURCEW(IDD_DEVICE_TABLE), nullptr, DeviceTableDlgProc, 0);

    // 20 language modules in a folder of their own.
    GetTempPathW(MAX_PATH, temp);
    wsprintfW(folder, L"%sktrcfg-bench-%lu", temp, GetCurrentProcessId());
    CreateDirectoryW(folder, nullptr);
    std::vector<std::wstring> copies;
    const wchar_t *shipped[] = {L"eng", L"deu", L"esp", L"rus", L"chs"};
    for (int i = 0; i < 20; ++i) {
        wchar_t name[MAX_PATH];
        wsprintfW(name, L"%s\\%c%02d_lang.dll", folder, L'a' + i / 10, i);
        CopyFileW((std::wstring(program) + L"\\" + shipped[i % 5] + L"_lang.dll").c_str(), name, FALSE);
        copies.push_back(name);
    }
    SetCurrentDirectoryW(folder);
    UseFolderForModules(folder);
    int lines = 0;
    script.Then([&](HWND dialog) {
        PaintNow(dialog);
        const int rounds = 50;
        const double start = Now();
        for (int i = 0; i < rounds; ++i)
            PaintNow(dialog);
        languagePaint = (Now() - start) / rounds;
        lines = static_cast<int>(SendDlgItemMessageW(dialog, IDC_LANGUAGE_LIST, LB_GETCOUNT, 0, 0));
        PressButton(dialog, IDCANCEL);
    });
    DialogBoxParamW(languageModule, MAKEINTRESOURCEW(IDD_LANGUAGE), nullptr, LanguageDlgProc, 0);
    SetCurrentDirectoryW(program);
    for (const std::wstring &c : copies)
        DeleteFileW(c.c_str());
    RemoveDirectoryW(folder);
    std::printf("paint  device table, 16 rows:        %.3f ms a paint (%d paints)\n", tablePaint, paints);
    std::printf("paint  language dialog, %d modules:  %.3f ms a paint (50 paints)\n", lines, languagePaint);
    return 0;
}

// What keeping the state before a write adds to it: saves of one edited
// adapter, the program's own code in this process, without and with it.
int History()
{
    int adapters = 0;
    if (!InstallTestBench(MakeBench("demo", adapters)).empty())
        return 1;
    wchar_t program[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, program);
    LoadLanguage();
    UseFolderForModules(program);
    languageModule = LoadLanguageModule(L"eng_lang");
    ResetProgramState();
    warningReporter = [](UINT, const wchar_t *text) { std::printf("history warning: %ls\n", text); };
    if (!LoadAdapters(ImageLoad::Exact))
        return 1;
    ClearHistory();
    KeepHistory("ktrcfg", "save");
    const StateKeeper keeper = stateKeeper;
    const int rounds = 40;
    auto saves = [&](bool keep) {
        stateKeeper = keep ? keeper : StateKeeper{};
        const double start = Now();
        for (int i = 0; i < rounds; ++i) {
            workingRecords[0].image.hostId = static_cast<std::uint8_t>(i % 2 ? 6 : 5);
            workingRecords[0].modified = 1;
            if (SaveAllAdapterSettings())
                return -1.0;
        }
        return (Now() - start) / rounds;
    };
    const double without = saves(false), with = saves(true);
    const std::vector<std::wstring> kept = KeptFiles(AdapterPort(0));
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    if (!kept.empty())
        GetFileAttributesExW(NewestKept(AdapterPort(0)).c_str(), GetFileExInfoStandard, &file);
    std::printf("history a save of one adapter: %.3f ms, keeping what it held %.3f ms (+%.3f ms: a %.1f KB file; "
                "%zu kept after %d saves)\n",
                without, with, with - without, file.nFileSizeLow / 1024.0, kept.size(), rounds);
    ClearHistory();
    return without < 0 || with < 0;
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "startup" && argc >= 3) {
        std::vector<std::wstring> others;
        for (int i = 4; i < argc; ++i)
            others.emplace_back(argv[i], argv[i] + std::strlen(argv[i]));
        return Startup(argv[2], argc > 3 ? std::atoi(argv[3]) : 15, others);
    }
    if (what == "cli" && argc >= 3)
        return Cli(argv[2], argc > 3 ? std::atoi(argv[3]) : 10);
    if (what == "io")
        return Io();
    if (what == "paint")
        return Paint();
    if (what == "history")
        return History();
    std::fprintf(stderr, "usage: ktrcfg_bench startup demo|big32 [RUNS] | cli demo|big32 [RUNS] | io | paint | history\n");
    return 2;
}
