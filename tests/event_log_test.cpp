// Every change on record: the entries that ktrcli's commands write to the
// Application log, its code run in this process against the emulator, the
// platform's log calls answered here.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/outcome.h"
#include "cli/report.h"
#include "discovery/device_map.h"
#include "event_log/event_log.h"
#include "ktr_version.h"
#include "store/adapter_record.h"
#include "store/report.h"
#include "store/settings_transport.h"
#include "tests/emulator_support.h"
#include "tests/event_capture.h"
#include "tests/program_support.h"

namespace {

const char kBench[] = "port 1 driver ktrscsi\n  adapter chip 6\n  image defaults\n"
                      "  unit 0 0 \"DISK A\" type DiskPeripheral\n"
                      "port 2 driver ktrwide\n  adapter chip 13\n  image defaults\n"
                      "port 3 driver ktrwide\n  adapter chip 2\n  image defaults\n";  // a chip without a name

// A template that the rules refuse: a device answers at ID 0 of port 1.
const char kTaken[] = R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 0}}]})";

std::vector<std::uint8_t> Stored(int port)
{
    std::vector<std::uint8_t> image;
    EXPECT_TRUE(ReadStoredImage(port, image));
    return image;
}

class EventLog : public testing::Test {
protected:
    void SetUp() override
    {
        LoadLanguage();
        ResetProgramState();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"ktr_events_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder.c_str(), nullptr);
        ClearHistory();
        ASSERT_EQ(InstallTestBench(kBench), "");
    }
    void TearDown() override
    {
        for (const wchar_t *name : {L"backup.json", L"hostid.json", L"taken.json"})
            DeleteFileW(Path(name).c_str());
        RemoveDirectoryW(folder.c_str());
        writeRecorder = nullptr;
        ResetProgramState();
    }
    std::wstring Path(const wchar_t *name) const { return folder + L"\\" + name; }
    void Write(const wchar_t *name, const std::string &text) const
    {
        std::ofstream(Path(name).c_str(), std::ios::binary) << text;
    }
    // Runs ktrcli's command line in this process, as its wmain does, its output to nothing.
    DWORD Cli(const std::wstring &words)
    {
        std::vector<std::wstring> parts{L"ktrcli"};
        std::wistringstream split(words);
        for (std::wstring word; split >> word;)
            parts.push_back(word);
        std::vector<wchar_t *> argv;
        for (std::wstring &part : parts)
            argv.push_back(&part[0]);
        Arguments arguments;
        std::string error;
        EXPECT_TRUE(ParseArguments(static_cast<int>(argv.size()), argv.data(), arguments, error)) << error;
        outcome = Outcome();
        warningReporter = ReportLine;
        writeRecorder = RecordWrite;
        HANDLE nothing = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
        SetStdHandle(STD_OUTPUT_HANDLE, nothing);
        SetStdHandle(STD_ERROR_HANDLE, nothing);
        const int code = RunCommand(arguments);
        SetStdHandle(STD_OUTPUT_HANDLE, out);
        SetStdHandle(STD_ERROR_HANDLE, err);
        CloseHandle(nothing);
        ResetProgramState();
        return static_cast<DWORD>(code);
    }
    // A backup, then the adapter on port 2 changed since: its host ID, and a byte that no name covers.
    std::wstring BackupThenChange()
    {
        const std::wstring backup = Path(L"backup.json");
        EXPECT_EQ(Cli(L"backup " + backup), 0u);
        std::vector<std::uint8_t> image = Stored(2);
        image[14] = 5;
        image[900] ^= 1;
        EXPECT_TRUE(WriteStoredImage(2, image));
        return backup;
    }
    // The one entry on record: of the program's source and the account that ran it (named in string 3).
    void ExpectOneEntry(WORD type, DWORD id, const std::vector<std::wstring> &strings)
    {
        ASSERT_EQ(capture.entries.size(), 1u);
        const LoggedEntry &entry = capture.entries[0];
        EXPECT_EQ(entry.source, KTR_EVENT_SOURCE);
        EXPECT_EQ(entry.type, type);
        EXPECT_EQ(entry.id, id);
        EXPECT_TRUE(entry.withUser) << "the account that ran it";
        ASSERT_EQ(entry.strings.size(), strings.size());
        for (std::size_t k = 0; k < strings.size(); ++k)
            if (k == 3)
                EXPECT_NE(entry.strings[k], L"-") << "the user is named";
            else if (k == 7 && id == kEventWritten)  // the state before, as kept
                EXPECT_EQ(entry.strings[k], NewestKept(_wtoi(strings[4].c_str())));
            else if (k == 4 && id == kEventRefused)
                EXPECT_NE(entry.strings[k].find(strings[k]), std::wstring::npos) << entry.strings[k].c_str();
            else
                EXPECT_EQ(entry.strings[k], strings[k]) << k;
    }
    std::wstring folder;
    EventCapture capture;
};

}  // namespace

TEST_F(EventLog, WhatWritesNothingIsNotOnRecord)
{
    const std::wstring backup = BackupThenChange();
    EXPECT_TRUE(capture.entries.empty()) << "a backup";
    Write(L"taken.json", kTaken);
    const std::pair<std::wstring, DWORD> runs[] = {
        {L"verify " + backup, 4},
        {L"restore " + backup + L" --dry-run", 0},
        {L"apply " + Path(L"taken.json") + L" --dry-run", 2},  // refused, yet only a dry run
    };
    for (const auto &[words, code] : runs) {
        EXPECT_EQ(Cli(words), code) << words;
        EXPECT_TRUE(capture.entries.empty()) << words;
    }
}

TEST_F(EventLog, ARestoreIsOnRecordWithWhatItChanged)
{
    const std::wstring backup = BackupThenChange();
    ASSERT_EQ(Cli(L"restore " + backup), 0u);
    ExpectOneEntry(EVENTLOG_INFORMATION_TYPE, kEventWritten,
                   {L"ktrcli", L"restore", backup, L"", L"2", L"KTR-A0130", L"hostId: 5 -> 7\r\notherBytes: 1 changed", L""});
}

TEST_F(EventLog, AnApplyIsOnRecordWithWhatItChanged)
{
    Write(L"hostid.json", R"({"format": 1, "adapters": [{"port": 3, "settings": {"hostId": 6}}]})");
    ASSERT_EQ(Cli(L"apply " + Path(L"hostid.json")), 0u);
    ExpectOneEntry(EVENTLOG_INFORMATION_TYPE, kEventWritten,
                   {L"ktrcli", L"apply", Path(L"hostid.json"), L"", L"3", L"code 2", L"hostId: 7 -> 6", L""});
}

TEST_F(EventLog, ARefusedFileIsAWarningWithTheRefusal)
{
    Write(L"taken.json", kTaken);
    ASSERT_EQ(Cli(L"apply " + Path(L"taken.json")), 2u);
    ExpectOneEntry(EVENTLOG_WARNING_TYPE, kEventRefused, {L"ktrcli", L"apply", Path(L"taken.json"), L"",
                                                          L"taken.json: refused: port 1: adapters[0].settings.hostId: 0: "
                                                          L"a device answers at this ID on the adapter's bus"});
}
