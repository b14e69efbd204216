#include "tests/event_capture.h"

#include "event_log/event_log.h"
#include "tests/program_support.h"

namespace {

std::vector<LoggedEntry> kept;
std::wstring registered;
int registrations;

HANDLE WINAPI Register(LPCWSTR, LPCWSTR source)
{
    registered = source ? source : L"";
    ++registrations;
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x4B54));
}

BOOL WINAPI Report(HANDLE, WORD type, WORD, DWORD id, PSID user, WORD count, DWORD, LPCWSTR *strings, LPVOID)
{
    LoggedEntry entry{registered, type, id, user != nullptr, {}};
    for (WORD i = 0; i < count; ++i)
        entry.strings.push_back(strings[i]);
    kept.push_back(entry);
    return TRUE;
}

BOOL WINAPI Deregister(HANDLE)
{
    return TRUE;
}

const char *const kNames[3] = {"RegisterEventSourceW", "ReportEventW", "DeregisterEventSource"};

}  // namespace

EventCapture::EventCapture() : entries(kept), registrations(::registrations)
{
    CloseEventLog();  // the program's source is registered again, here
    kept.clear();
    registrations = 0;
    void *const answers[3] = {reinterpret_cast<void *>(&Register), reinterpret_cast<void *>(&Report),
                              reinterpret_cast<void *>(&Deregister)};
    for (int i = 0; i < 3; ++i)
        real[i] = SwapImport(kNames[i], answers[i]);
}

EventCapture::~EventCapture()
{
    CloseEventLog();
    for (int i = 0; i < 3; ++i)
        if (real[i])
            SwapImport(kNames[i], real[i]);
}
