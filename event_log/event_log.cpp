#include "event_log/event_log.h"

#include <string>
#include <vector>

#include "ktr_version.h"
#include "settings_file/settings_file.h"
#include "settings_file/settings_history.h"
#include "store/adapters.h"
#include "store/chip_table.h"
#include "store/utf8.h"

const wchar_t kEventSource[] = KTR_EVENT_SOURCE;

namespace {

struct Context {
    std::wstring program = L"ktrcfg", action = L"save", file;
    std::wstring files[kMaxAdapters];  // the windows': by adapter
} context;

// The source and the account, taken once for the process.
struct Log {
    HANDLE source = nullptr;
    bool accountRead = false;
    std::wstring account;    // "DOMAIN\name", or "-" when the token does not say
    std::vector<BYTE> sid;   // the entry's own user; empty when unknown
} eventLog;

void ReadAccount()
{
    eventLog.accountRead = true;
    eventLog.account = L"-";
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return;
    std::vector<BYTE> user(256);
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size)) {
        user.resize(size);
        if (!size || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
            CloseHandle(token);
            return;
        }
    }
    CloseHandle(token);
    PSID owner = reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid;
    eventLog.sid.assign(static_cast<BYTE *>(owner), static_cast<BYTE *>(owner) + GetLengthSid(owner));
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (LookupAccountSidW(nullptr, owner, name, &nameSize, domain, &domainSize, &use) && name[0])
        eventLog.account = domain[0] ? std::wstring(domain) + L"\\" + name : name;
}

void OpenLog()
{
    if (!eventLog.accountRead)
        ReadAccount();
    if (!eventLog.source)
        eventLog.source = RegisterEventSourceW(nullptr, kEventSource);
}

// The first four inserts of every entry: program, action, file and user.
std::vector<std::wstring> Who(const std::wstring &file)
{
    OpenLog();
    return {context.program, context.action, file.empty() ? L"-" : file, eventLog.account};
}

void Report(WORD type, DWORD id, const std::vector<std::wstring> &inserts)
{
    if (!eventLog.source)
        return;
    std::vector<LPCWSTR> strings;
    for (const std::wstring &insert : inserts)
        strings.push_back(insert.c_str());
    ReportEventW(eventLog.source, type, 0, id, eventLog.sid.empty() ? nullptr : eventLog.sid.data(),
                 static_cast<WORD>(strings.size()), 0, strings.data(), nullptr);
}

std::wstring Number(unsigned long n)
{
    wchar_t text[16];
    wsprintfW(text, L"%lu", n);
    return text;
}

// The chip as ktrcli names it: a chip without a name by its code.
std::wstring ChipInsert(std::uint8_t code)
{
    const std::wstring name = ChipName(code);
    return name.empty() ? L"code " + Number(code) : name;
}

// Why a write did not happen, the step that stopped it and the system's error.
void Failure(int adapter, WriteEnd end, std::vector<std::wstring> &inserts)
{
    const DWORD error = requestErrors[adapter];
    const std::wstring code = error ? Number(error) : L"-";
    const std::wstring with = error ? L" with error " + code : L"";
    switch (end) {
    case WriteEnd::Written:
        return;
    case WriteEnd::ReadFailed:
        inserts.insert(inserts.end(), {L"reading it again before the write failed" + with, L"read again", code});
        return;
    case WriteEnd::WriteFailed:
        inserts.insert(inserts.end(), {L"the write failed" + with, L"write", code});
        return;
    case WriteEnd::ChangedElsewhere:
        inserts.insert(inserts.end(), {L"another program changed the adapter after it was read", L"read again", L"-"});
        return;
    }
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
        OpenLog();  // before the writes, not between them
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
    if (adapter < 0 || adapter >= kMaxAdapters)
        return;
    try {
        std::vector<SettingChange> changes;
        ListChanges(adapter, AdapterPort(adapter), held, sent, changes);
        std::wstring lines;
        for (const SettingChange &c : changes)
            lines += (lines.empty() ? L"" : L"\r\n") + Wide(ChangeText(c));
        std::vector<std::wstring> inserts =
            Who(context.files[adapter].empty() ? context.file : context.files[adapter]);
        wchar_t port[16];
        wsprintfW(port, L"%d", AdapterPort(adapter));
        inserts.push_back(port);
        inserts.push_back(ChipInsert(savedRecords[adapter].chipType));
        inserts.push_back(lines.empty() ? L"(none)" : lines);
        Failure(adapter, end, inserts);
        if (end == WriteEnd::Written) {
            const std::wstring kept = KeptNote(adapter);
            inserts.push_back(kept.empty() ? L"not kept" : kept);
            context.files[adapter].clear();
            Report(EVENTLOG_INFORMATION_TYPE, kEventWritten, inserts);
        } else {
            Report(EVENTLOG_ERROR_TYPE, kEventNotWritten, inserts);
        }
    } catch (...) {
    }
}

void RecordRefusal(const std::string &reason)
{
    try {
        std::vector<std::wstring> inserts = Who(context.file);
        inserts.push_back(Wide(reason));
        Report(EVENTLOG_WARNING_TYPE, kEventRefused, inserts);
    } catch (...) {
    }
}

void CloseEventLog()
{
    if (eventLog.source)
        DeregisterEventSource(eventLog.source);
    eventLog.source = nullptr;
}
