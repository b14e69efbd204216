#include "settings_file/settings_history.h"

#include <algorithm>
#include <array>

#include "language/resource_ids.h"
#include "settings_file/settings_internal.h"
#include "store/adapters.h"
#include "store/report.h"
#include "store/settings_transport.h"
#include "store/utf8.h"

namespace {

struct History {
    const char *program = nullptr, *action = nullptr;
    std::array<std::wstring, kMaxAdapters> kept;  // each adapter's file of its last write
    std::array<std::wstring, kMaxAdapters> notes;
    bool told = false;  // the user was told once why nothing is kept
};
History history;

constexpr wchar_t kSuffix[] = L".json";
constexpr std::size_t kTimeLength = 22;  // "2026-12-11T164501.123Z"

// A state's file name: its time in UTC and its port, "2026-12-11T164501.123Z-port2.json",
// so that the names sort by time.
std::wstring StateName(const SYSTEMTIME &t, int port)
{
    wchar_t name[64];
    wsprintfW(name, L"%04u-%02u-%02uT%02u%02u%02u.%03uZ-port%d%s", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
              t.wSecond, t.wMilliseconds, port, kSuffix);
    return name;
}

// The port of a state's file name, -1 when the name is not one.
int PortOfName(const std::wstring &name)
{
    const std::size_t suffix = lstrlenW(kSuffix);
    if (name.size() <= kTimeLength + 5 + suffix || name.compare(kTimeLength, 5, L"-port") != 0 ||
        name.compare(name.size() - suffix, suffix, kSuffix) != 0 || name[10] != L'T' || name[kTimeLength - 1] != L'Z')
        return -1;
    int port = 0;
    for (std::size_t i = kTimeLength + 5; i < name.size() - suffix; ++i) {
        if (name[i] < L'0' || name[i] > L'9' || i > kTimeLength + 7)
            return -1;
        port = port * 10 + (name[i] - L'0');
    }
    return port <= 255 ? port : -1;
}

// The names of the states of port (-1: all) in the folder, oldest first.
std::vector<std::wstring> StateNames(const HistoryFolder &folder, int port)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder.path + L"\\*" + kSuffix).c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        const int at = PortOfName(found.cFileName);
        if (at >= 0 && (port < 0 || at == port) && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// A state's time: now, or just after the newest of the names of its port
// (the clock went back, or another took this moment), so that the newest
// name is always the newest state.
SYSTEMTIME StateTime(const std::vector<std::wstring> &names, int port)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    const std::wstring newest = names.empty() ? std::wstring() : *std::max_element(names.begin(), names.end());
    if (newest.empty() || StateName(now, port) > newest)
        return now;
    // "2026-12-11T164501.123Z": each field at its place.
    auto field = [&newest](std::size_t at, std::size_t digits) {
        WORD value = 0;
        for (std::size_t i = at; i < at + digits; ++i)
            value = static_cast<WORD>(value * 10 + (newest[i] - L'0'));
        return value;
    };
    SYSTEMTIME last = {};
    last.wYear = field(0, 4);
    last.wMonth = field(5, 2);
    last.wDay = field(8, 2);
    last.wHour = field(11, 2);
    last.wMinute = field(13, 2);
    last.wSecond = field(15, 2);
    last.wMilliseconds = field(18, 3);
    FILETIME at;
    if (!SystemTimeToFileTime(&last, &at))
        return now;
    ULARGE_INTEGER value = {{at.dwLowDateTime, at.dwHighDateTime}};
    value.QuadPart += 10000;  // 1 ms
    at = {value.LowPart, value.HighPart};
    FileTimeToSystemTime(&at, &now);
    return now;
}

// Tells the user once why nothing is kept.
void TellOnce(const HistoryFolder &folder)
{
    if (history.told)
        return;
    history.told = true;
    if (folder.check == FolderCheck::Unsafe)
        ReportWarning(IDS_HISTORY_UNSAFE, folder.path.c_str());
    else
        ReportWarning(IDS_HISTORY_FAILED, folder.path.c_str(), static_cast<int>(folder.error));
}

void Keep(int adapter, const SettingsImage &held)
{
    try {
        history.kept[adapter].clear();
        HistoryFolder folder = OpenHistoryFolder(true);
        if (folder.check == FolderCheck::Usable) {
            const int port = AdapterPort(adapter);
            std::vector<std::wstring> taken = StateNames(folder, port);
            std::wstring path;
            FileResult result = Problem(FileProblem::Exists);
            // Another program may take the same name at the same moment: the next millisecond is free.
            for (int tries = 0; result.problem == FileProblem::Exists && tries < 10; ++tries) {
                const SYSTEMTIME time = StateTime(taken, port);
                taken.push_back(StateName(time, port));
                path = folder.path + L"\\" + taken.back();
                result = WriteKeptState(path.c_str(), adapter, held, time, history.program, history.action);
            }
            if (result.problem == FileProblem::None) {
                history.kept[adapter] = path;
                history.notes[adapter] = path;
            } else {
                folder.check = FolderCheck::Failed;
                folder.error = result.error ? result.error : ERROR_WRITE_FAULT;
            }
        }
        if (folder.check != FolderCheck::Usable) {
            history.notes[adapter] = L"not kept: " + Wide(FolderProblem(folder));
            TellOnce(folder);
        }
        CloseHistoryFolder(folder);
    } catch (...) {
        history.notes[adapter] = L"not kept: out of memory";
    }
}

// A state kept before a write that did not land goes; after one that did,
// the oldest of its port beyond kKeptStates.
void Settle(int adapter, bool written)
{
    try {
        if (!written) {
            if (!history.kept[adapter].empty())
                DeleteFileW(history.kept[adapter].c_str());
            history.kept[adapter].clear();
            return;
        }
        if (history.kept[adapter].empty())
            return;
        HistoryFolder folder = OpenHistoryFolder(false);
        if (folder.check == FolderCheck::Usable) {
            const std::vector<std::wstring> names = StateNames(folder, AdapterPort(adapter));
            for (std::size_t n = 0; n + kKeptStates < names.size(); ++n)
                DeleteFileW((folder.path + L"\\" + names[n]).c_str());
        }
        CloseHistoryFolder(folder);
    } catch (...) {
    }
}

// "2026-12-11T164501.123Z" as "2026-12-11T16:45:01.123Z".
std::string TimeOfName(const std::wstring &name)
{
    const std::string time = Utf8(name.substr(0, kTimeLength));
    return time.substr(0, 13) + ":" + time.substr(13, 2) + ":" + time.substr(15);
}

}  // namespace

void KeepHistory(const char *program, const char *action)
{
    history = History();
    history.program = program;
    history.action = action;
    stateKeeper = {Keep, Settle};
}

std::wstring KeptNote(int adapter)
{
    return adapter >= 0 && adapter < kMaxAdapters ? history.notes[adapter] : std::wstring();
}

HistoryFolder ListKeptStates(int port, std::vector<KeptState> &states)
{
    states.clear();
    HistoryFolder folder = OpenHistoryFolder(false);
    if (folder.check != FolderCheck::Usable) {
        CloseHistoryFolder(folder);
        return folder;
    }
    std::vector<std::wstring> names = StateNames(folder, port);
    std::reverse(names.begin(), names.end());
    for (const std::wstring &name : names) {
        KeptState state;
        state.port = PortOfName(name);
        state.taken = TimeOfName(name);
        state.file = folder.path + L"\\" + name;
        SettingsFile file;
        if (ReadSettingsFile(state.file.c_str(), file).problem == FileProblem::None) {
            state.program = file.changedBy;
            state.action = file.action;
        }
        states.push_back(std::move(state));
    }
    CloseHistoryFolder(folder);
    return folder;
}
