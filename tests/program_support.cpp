#include "tests/program_support.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include <aclapi.h>
#include <sddl.h>

#include "app/message_box.h"
#include "app/shell.h"
#include "discovery/device_map.h"
#include "language/module_file.h"
#include "settings_file/history_folder.h"
#include "settings_file/settings_file.h"
#include "store/adapter_record.h"
#include "store/report.h"
#include "store/settings_transport.h"
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
    stateKeeper = {};
}

void ClearHistory()
{
    const std::wstring folder = HistoryFolderPath();
    for (const std::wstring &name : KeptFiles(-1))
        DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
}

bool MakeHistoryFolder()
{
    const std::wstring folder = HistoryFolderPath();
    CreateDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str(), nullptr);
    return CreateDirectoryW(folder.c_str(), nullptr);
}

KeptFile ReadKept(const std::wstring &name)
{
    KeptFile kept;
    SettingsFile file;
    if (ReadSettingsFile((HistoryFolderPath() + L"\\" + name).c_str(), file).problem != FileProblem::None ||
        file.adapters.size() != 1)
        return kept;
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(&file.adapters[0].image);
    kept.image.assign(bytes, bytes + kImageSize);
    kept.changedBy = file.changedBy;
    kept.action = file.action;
    return kept;
}

namespace {

bool Trusted(PSID sid)
{
    HANDLE token;
    alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    const bool self = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                      GetTokenInformation(token, TokenUser, user, sizeof user, &size) &&
                      EqualSid(reinterpret_cast<TOKEN_USER *>(user)->User.Sid, sid);
    CloseHandle(token);
    return self || IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

std::string SidText(PSID sid)
{
    wchar_t *text = nullptr;
    std::string result = ConvertSidToStringSidW(sid, &text) ? Utf8(text) : "?";
    LocalFree(text);
    return result;
}

}  // namespace

std::string FolderWriters(const std::wstring &folder)
{
    PSID owner = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, nullptr, &access, nullptr, &descriptor))
        return "(its access list could not be read)";
    std::string writers = Trusted(owner) ? "" : "owner " + SidText(owner) + " ";
    const ACCESS_MASK writing = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    for (DWORD i = 0; access && i < access->AceCount; ++i) {
        ACCESS_ALLOWED_ACE *ace = nullptr;
        if (GetAce(access, i, reinterpret_cast<void **>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            !(ace->Header.AceFlags & INHERIT_ONLY_ACE) && (ace->Mask & writing) && !Trusted(&ace->SidStart))
            writers += "writer " + SidText(&ace->SidStart) + " ";
    }
    LocalFree(descriptor);
    return access ? writers : writers + "everyone (no access list)";
}

bool GrantEveryone(const std::wstring &folder)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL access = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &access, &defaulted);
    const bool granted = !SetNamedSecurityInfoW(const_cast<wchar_t *>(folder.c_str()), SE_FILE_OBJECT,
                                                DACL_SECURITY_INFORMATION, nullptr, nullptr, access, nullptr);
    LocalFree(descriptor);
    return granted;
}

bool GiveToAnotherAccount(const std::wstring &path)
{
    // Wine keeps no owners of its own: the Unix owner is the file's.
    using UnixName = char *(CDECL *)(const wchar_t *);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return false;
    char *name = unixName(path.c_str());
    if (!name)
        return false;
    const std::wstring command = L"/bin/chown nobody \"" + Wide(name) + L"\"";
    HeapFree(GetProcessHeap(), 0, name);
    RunProgram(command);
    return FolderWriters(path).rfind("owner ", 0) == 0;
}

std::wstring NewestKept(int port)
{
    const std::vector<std::wstring> kept = KeptFiles(port);
    return kept.empty() ? L"(none kept)" : HistoryFolderPath() + L"\\" + kept.back();
}

std::vector<std::wstring> KeptFiles(int port)
{
    std::vector<std::wstring> names;
    const std::wstring pattern = port < 0 ? L"*" : L"*-port" + std::to_wstring(port) + L".json";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((HistoryFolderPath() + L"\\" + pattern).c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
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
