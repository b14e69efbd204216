#include "settings_file/settings_history.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>

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
    static const wchar_t kShape[] = L"0000-00-00T000000.000Z-port";  // 0: a digit
    const std::size_t suffix = lstrlenW(kSuffix), lead = lstrlenW(kShape);
    if (name.size() <= lead + suffix || name.size() > lead + 3 + suffix ||
        name.compare(name.size() - suffix, suffix, kSuffix) != 0)
        return -1;
    int port = 0;
    for (std::size_t i = 0; i < name.size() - suffix; ++i) {
        const bool digit = name[i] >= L'0' && name[i] <= L'9';
        if (i < lead ? (kShape[i] == L'0' ? !digit : name[i] != kShape[i]) : !digit)
            return -1;
        if (i >= lead)
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

// The words of a kept file that a listing shows: only those that the programs write.
std::string Known(const std::string &word, std::initializer_list<const char *> words)
{
    for (const char *w : words)
        if (word == w)
            return word;
    return {};
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
                folder.error = result.error ? result.error : ERROR_WRITE_FAULT;
                history.notes[adapter] = L"not kept: the file could not be written in " + folder.path + L": error " +
                                         Wide(std::to_string(folder.error));
                folder.check = FolderCheck::Failed;
                TellOnce(folder);
            }
        } else {
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

// Opens a state's file as checked, holds it and reads it: the handle, or
// INVALID_HANDLE_VALUE and why it is not to be used.
HANDLE ReadState(const HistoryFolder &folder, const std::wstring &name, SettingsFile &kept, std::string &why)
{
    HANDLE file = OpenKeptFile(folder, name, why);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    const FileResult read = ReadSettingsFile((folder.path + L"\\" + name).c_str(), kept);
    if (read.problem == FileProblem::None)
        return file;
    why = "it cannot be read: " + (read.detail.empty() ? std::string("not a settings file") : read.detail);
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
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
    if (folder.check == FolderCheck::Usable) {
        std::vector<std::wstring> names = StateNames(folder, port);
        std::reverse(names.begin(), names.end());
        for (const std::wstring &name : names) {
            KeptState state;
            state.port = PortOfName(name);
            state.taken = TimeOfName(name);
            state.file = folder.path + L"\\" + name;
            std::string why;
            SettingsFile kept;
            HANDLE file = ReadState(folder, name, kept, why);
            if (file != INVALID_HANDLE_VALUE) {
                state.program = Known(kept.changedBy, {"ktrcfg", "ktrcli"});
                state.action = Known(kept.action, {"save", "restore", "apply", "undo"});
                CloseHandle(file);
            }
            states.push_back(std::move(state));
        }
    }
    CloseHistoryFolder(folder);
    return folder;
}

HeldState HoldNewestState(int port, const SettingsImage &holds)
{
    HeldState held;
    held.folder = OpenHistoryFolder(false);
    if (held.folder.check != FolderCheck::Usable)
        return held;
    std::vector<std::wstring> names = StateNames(held.folder, port);
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        std::string why;
        SettingsFile kept;
        HANDLE file = ReadState(held.folder, *name, kept, why);
        const std::wstring path = held.folder.path + L"\\" + *name;
        if (file != INVALID_HANDLE_VALUE && kept.adapters.size() == 1 && kept.adapters[0].hasImage &&
            std::memcmp(&kept.adapters[0].image, &holds, sizeof holds) == 0)
            why = "the adapter holds it already";
        if (why.empty()) {
            held.file = file;
            held.path = path;
            break;
        }
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        held.passedOver.emplace_back(path, why);
    }
    return held;
}

void ReleaseState(HeldState &state)
{
    if (state.file != INVALID_HANDLE_VALUE)
        CloseHandle(state.file);
    state.file = INVALID_HANDLE_VALUE;
    CloseHistoryFolder(state.folder);
}
