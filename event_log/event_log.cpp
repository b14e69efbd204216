#include "event_log/event_log.h"

#include <vector>

#include "settings_file/settings_file.h"
#include "store/adapters.h"
#include "store/chip_table.h"
#include "store/utf8.h"

const wchar_t kEventSource[] = L"KTR SCSI Adapter Setup";

namespace {

struct Context {
    std::wstring program = L"ktrcfg", action = L"save", file;
    std::wstring files[kMaxAdapters];  // the windows': by adapter
} context;

// The account that runs the program, as "DOMAIN\name", and its SID for the
// entry's own user; empty when the token does not say.
std::wstring Account(std::vector<BYTE> &sid)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    std::vector<BYTE> user(256);
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size)) {
        user.resize(size);
        if (!size || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
            CloseHandle(token);
            return {};
        }
    }
    CloseHandle(token);
    PSID owner = reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid;
    sid.assign(static_cast<BYTE *>(owner), static_cast<BYTE *>(owner) + GetLengthSid(owner));
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, owner, name, &nameSize, domain, &domainSize, &use))
        return {};
    return domain[0] ? std::wstring(domain) + L"\\" + name : name;
}

// The first four inserts of every entry: program, action, file and user;
// the user's SID for the entry itself.
std::vector<std::wstring> Who(const std::wstring &file, std::vector<BYTE> &sid)
{
    const std::wstring user = Account(sid);
    return {context.program, context.action, file.empty() ? L"-" : file, user.empty() ? L"-" : user};
}

void Report(WORD type, DWORD id, const std::vector<std::wstring> &inserts, std::vector<BYTE> &sid)
{
    HANDLE log = RegisterEventSourceW(nullptr, kEventSource);
    if (!log)
        return;
    std::vector<LPCWSTR> strings;
    for (const std::wstring &insert : inserts)
        strings.push_back(insert.c_str());
    ReportEventW(log, type, 0, id, sid.empty() ? nullptr : sid.data(), static_cast<WORD>(strings.size()), 0,
                 strings.data(), nullptr);
    DeregisterEventSource(log);
}

}  // namespace

void SetEventContext(const char *program, const char *action, const wchar_t *file)
{
    try {
        context.program = Wide(program);
        context.action = Wide(action);
        wchar_t full[MAX_PATH] = {};
        const DWORD length = file ? GetFullPathNameW(file, MAX_PATH, full, nullptr) : 0;
        context.file = length && length < MAX_PATH ? full : file ? file : L"";
    } catch (...) {
    }
}

void SetAdapterFile(int adapter, const wchar_t *file)
{
    if (adapter < 0 || adapter >= kMaxAdapters)
        return;
    try {
        context.files[adapter] = file ? file : L"";
    } catch (...) {
    }
}

void RecordWrite(int adapter, const SettingsImage &held, const SettingsImage &sent, WriteEnd end)
{
    try {
        std::vector<SettingChange> changes;
        ListChanges(adapter, AdapterPort(adapter), held, sent, changes);
        std::wstring lines;
        for (const SettingChange &c : changes)
            lines += (lines.empty() ? L"" : L"\r\n") + Wide(ChangeText(c));
        const std::wstring chip = ChipName(savedRecords[adapter].chipType);
        std::vector<BYTE> sid;
        std::vector<std::wstring> inserts =
            Who(context.files[adapter].empty() ? context.file : context.files[adapter], sid);
        wchar_t port[16];
        wsprintfW(port, L"%d", AdapterPort(adapter));
        inserts.push_back(port);
        inserts.push_back(chip.empty() ? L"Unknown" : chip);
        inserts.push_back(lines.empty() ? L"(none)" : lines);
        inserts.push_back(end == WriteEnd::ChangedElsewhere ? L"another program changed the adapter after it was read"
                                                            : L"the write failed");
        if (end == WriteEnd::Written) {
            context.files[adapter].clear();
            Report(EVENTLOG_INFORMATION_TYPE, kEventWritten, inserts, sid);
        } else {
            Report(EVENTLOG_ERROR_TYPE, kEventNotWritten, inserts, sid);
        }
    } catch (...) {
    }
}

void RecordRefusal(const std::string &reason)
{
    try {
        std::vector<BYTE> sid;
        std::vector<std::wstring> inserts = Who(context.file, sid);
        inserts.push_back(Wide(reason));
        Report(EVENTLOG_WARNING_TYPE, kEventRefused, inserts, sid);
    } catch (...) {
    }
}
