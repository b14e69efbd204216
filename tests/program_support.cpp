#include "tests/program_support.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "app/message_box.h"
#include "app/shell.h"
#include "discovery/device_map.h"
#include "language/module_file.h"
#include "store/adapter_record.h"
#include "store/report.h"
#include "store/utf8.h"

namespace {

MessageBoxWatcher *watcher;

constexpr UINT_PTR kBoxTimer = 0x4B55;

void CALLBACK AnswerBox(HWND box, UINT, UINT_PTR id, DWORD)
{
    KillTimer(box, id);
    if (!watcher || !GetDlgItem(box, 0xFFFF))
        return;
    ShownBox shown;
    wchar_t text[2048] = {};
    GetWindowTextW(box, text, 2048);
    shown.caption = text;
    GetDlgItemTextW(box, 0xFFFF, text, 2048);
    shown.text = text;
    shown.icon = reinterpret_cast<HICON>(SendDlgItemMessageW(box, 0x440, STM_GETICON, 0, 0));
    shown.owner = GetWindow(box, GW_OWNER);
    watcher->boxes.push_back(shown);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// Every new dialog gets a timer; those that turn out to be message boxes are answered.
LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    if (HWND box = watcher ? NewTopLevelDialog(code, wParam, lParam) : nullptr)
        SetTimer(box, kBoxTimer, 1, AnswerBox);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

HWND NewTopLevelDialog(int code, WPARAM wParam, LPARAM lParam)
{
    if (code != HCBT_CREATEWND)
        return nullptr;
    HWND window = reinterpret_cast<HWND>(wParam);
    const CREATESTRUCTW *create = reinterpret_cast<CBT_CREATEWNDW *>(lParam)->lpcs;
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    return lstrcmpW(cls, L"#32770") == 0 && !(create->style & WS_CHILD) ? window : nullptr;
}

void LoadLanguage(const wchar_t *module)
{
    FindProgramFolder();
    languageModule = LoadLanguageModule(module);
    windowCaption[0] = 0;
    LoadStringW(languageModule, 1, windowCaption, kCaptionRoom);
    warningReporter = ShowWarningBox;
}

void ResetProgramState()
{
    FreeDeviceMaps();
    deviceMapCount = 0;
    adapterCount = 0;
    std::memset(savedRecords, 0, sizeof(savedRecords));
    std::memset(workingRecords, 0, sizeof(workingRecords));
    std::memset(&editImage, 0, sizeof(editImage));
    std::memset(heldImages, 0, sizeof(heldImages));
    std::memset(portIoAddress, 0, sizeof(portIoAddress));
    std::memset(portInterrupt, 0, sizeof(portInterrupt));
    currentAdapter = 0;
    currentDevice = 0;
    mainWindow = nullptr;  // warnings are owned by the main window: never by one gone
}

std::wstring ModuleText(UINT id)
{
    wchar_t text[1024] = {};
    LoadStringW(languageModule, id, text, 1024);
    return text;
}

HMODULE LoadModuleFile(const std::wstring &file)
{
    wchar_t here[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, here);
    return LoadModuleAsData((std::wstring(here) + L"\\" + file).c_str());
}

std::wstring WindowText(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::vector<std::wstring> LanguageModuleFiles()
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"???_lang.DLL", &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

int LanguageLineOf(const wchar_t *module)
{
    const std::vector<std::wstring> files = LanguageModuleFiles();
    for (size_t i = 0; i < files.size(); ++i)
        if (_wcsnicmp(files[i].c_str(), module, 8) == 0)
            return static_cast<int>(i);
    return -1;
}

MessageBoxWatcher::MessageBoxWatcher()
{
    watcher = this;
    hook = SetWindowsHookExW(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    UnhookWindowsHookEx(hook);
    watcher = nullptr;
}

std::vector<std::wstring> MessageBoxWatcher::Texts() const
{
    std::vector<std::wstring> texts;
    for (const ShownBox &b : boxes)
        texts.push_back(b.text);
    return texts;
}

void AddDeviceMap(int adapter, int port, std::initializer_list<int> targets)
{
    auto *entry = static_cast<DeviceMapEntry *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DeviceMapEntry)));
    for (DeviceSlot &slot : entry->devices)
        slot.targetId = kEmptySlot;
    entry->portNumber = static_cast<std::uint8_t>(port);
    int n = 0;
    for (int target : targets) {
        entry->devices[n].targetId = static_cast<std::uint8_t>(target);
        wsprintfW(entry->devices[n].identifier, L"UNIT %d", target);
        ++n;
    }
    entry->deviceCount = static_cast<std::uint8_t>(n);
    deviceMaps[adapter] = entry;
    if (deviceMapCount <= adapter)
        deviceMapCount = static_cast<std::uint16_t>(adapter + 1);
}

std::wstring FixtureModule(const wchar_t *name)
{
    return std::wstring(KTR_FIXTURES) + L"\\" + name + L"_lang.dll";
}

namespace {

struct PipeReader {
    HANDLE pipe;
    std::string text;
};

DWORD WINAPI ReadPipe(void *context)
{
    auto *reader = static_cast<PipeReader *>(context);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(reader->pipe, buffer, sizeof buffer, &read, nullptr) && read)
        reader->text.append(buffer, read);
    return 0;
}

}  // namespace

std::vector<std::string> SourceLines(const wchar_t *relative)
{
    const std::string path = Utf8(std::wstring(KTR_SOURCE_DIR) + L"\\" + relative);
    std::ifstream file(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return ProgramRun::Lines(text.str());
}

std::vector<std::string> ProgramRun::Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

ProgramRun RunProgram(const std::wstring &commandLine, const std::wstring &folder, DWORD timeoutMs)
{
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    PipeReader readers[2] = {};
    HANDLE writeEnds[2] = {};
    for (int i = 0; i < 2; ++i) {
        CreatePipe(&readers[i].pipe, &writeEnds[i], &inherit, 0);
        SetHandleInformation(readers[i].pipe, HANDLE_FLAG_INHERIT, 0);
    }
    HANDLE nothing = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                 nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = writeEnds[0];
    startup.hStdError = writeEnds[1];
    PROCESS_INFORMATION process = {};
    std::wstring command = commandLine;
    const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    // The child holds its own copies: the pipes end when it does.
    for (HANDLE end : writeEnds)
        CloseHandle(end);
    CloseHandle(nothing);
    HANDLE threads[2] = {};
    for (int i = 0; i < 2; ++i)
        threads[i] = CreateThread(nullptr, 0, ReadPipe, &readers[i], 0, nullptr);
    if (started) {
        if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &run.exitCode);
        else
            TerminateProcess(process.hProcess, 0xFFFFFFFF);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    WaitForMultipleObjects(2, threads, TRUE, 10000);
    for (int i = 0; i < 2; ++i) {
        CloseHandle(threads[i]);
        CloseHandle(readers[i].pipe);
    }
    run.out = readers[0].text;
    run.err = readers[1].text;
    return run;
}

void *SwapImport(const char *name, void *replacement)
{
    auto *base = reinterpret_cast<BYTE *>(GetModuleHandleW(nullptr));
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto *d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress); d->Name; ++d) {
        auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + d->OriginalFirstThunk);
        auto *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                std::strcmp(reinterpret_cast<const char *>(
                                reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData)->Name),
                            name) != 0)
                continue;
            DWORD protection;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            void *was = reinterpret_cast<void *>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return was;
        }
    }
    return nullptr;
}
