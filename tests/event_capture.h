// The Application log's entries that the program's code, linked into the
// tests, writes: its calls to the platform are answered and kept here.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct LoggedEntry {
    std::wstring source;
    WORD type;
    DWORD id;
    bool withUser;
    std::vector<std::wstring> strings;
};

// While it lives, every entry is kept in entries, none reaches the log;
// registrations counts the registrations of the source.
class EventCapture {
public:
    EventCapture();
    ~EventCapture();
    std::vector<LoggedEntry> &entries;
    int &registrations;

private:
    void *real[3];
};
