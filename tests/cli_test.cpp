// The real ktrcli.exe against the emulator, run as a script runs it: from
// another folder, its output on pipes; what reached the adapters is read
// back from the emulator's stored images and request counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <cstring>
#include <map>
#include <optional>
#include <regex>
#include <nlohmann/json.hpp>

#include "cli/arguments.h"
#include "emulator/bench/bench.h"
#include "emulator/bench_format.h"
#include "language/resource_ids.h"
#include "settings_file/history_folder.h"
#include "settings_file/settings_file.h"
#include "settings_file/settings_internal.h"
#include "settings_file/settings_model.h"
#include "store/adapters.h"
#include "store/settings_transport.h"
#include "store/utf8.h"
#include "tests/emulator_support.h"
#include "tests/program_support.h"

namespace {

// Three adapters whose images carry bytes that no setting names (port 1's
// byte 25 among those that the load clears in the records): port 1 narrow,
// port 2 wide, port 3 another chip; devices at IDs 0 and 2.
const char kBench[] = "port 1 driver ktrscsi irq 11 io 0x6400\n"
                      "  adapter chip 6\n  image defaults\n  set 300 17\n  set 1259 250\n  set 25 99\n"
                      "  unit 0 0 \"DISK A\" type DiskPeripheral\n"
                      "port 2 driver ktrwide irq 10 io 0x6800\n"
                      "  adapter chip 13\n  image defaults\n  set 301 34\n  set 0 5\n  set 60 3\n"
                      "  unit 2 0 \"DISK B\" type DiskPeripheral\n"
                      "port 3 driver ktrfast irq 5 io 0x3F0\n"
                      "  adapter chip 3\n  image defaults\n  set 302 51\n"
                      "port 4 driver atapi\n";
const int kPorts[] = {1, 2, 3};
// Ports 5 and 7 besides: an adapter whose stored settings are invalid, and numbers wider than their columns.
const std::string kListBench = std::string(kBench) +
                               "port 5 key \"Scsi Port 05\" driver ktrscsi\n  adapter chip 1 status 0x0101\n"
                               "port 7 driver ktrwide irq 123456789 io 0xFFFF0000\n  adapter chip 13\n"
                               "  unit 4 0 \"\u65e5\u672c\u8a9e\u306e\u540d\u524d\u304c\u3068\u3066\u3082\u9577\u3044"
                               "\u30c7\u30a3\u30b9\u30af\u88c5\u7f6e\u3067\u3059\" type DiskPeripheral\n";
const char kTemplate[] = R"({"format": 1, "adapters": [{"port": 2, "settings": {"hostId": 6,
    "allDevices": {"timeout": 20, "taggedQueuing": false}, "devices": [{"id": 3, "timeout": 30}]}}]})";

std::vector<std::uint8_t> Stored(int port)
{
    std::vector<std::uint8_t> image;
    EXPECT_TRUE(ReadStoredImage(port, image)) << port;
    return image;
}

DWORD Writes(int port)
{
    return ReadPortCounts(port).writes;
}

bool Holds(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

// The texts of a line of a table, apart by two spaces or more, with the columns where they start.
std::vector<std::pair<std::size_t, std::string>> Cells(const std::string &line)
{
    std::vector<std::pair<std::size_t, std::string>> cells;
    for (std::size_t at = line.find_first_not_of(' '), end; at != std::string::npos; at = line.find_first_not_of(' ', end))
        cells.emplace_back(at, line.substr(at, (end = line.find("  ", at)) - at));
    return cells;
}

// Lines first to first + count - 1 of a table whose heading is lines[first], as
// a reader takes them: the value under each heading. A value stands under its
// heading when it starts where the heading starts or, a number, ends where it
// ends; one wider than its column moves those after it along.
std::vector<std::vector<std::string>> Table(const std::vector<std::string> &lines, std::size_t first, std::size_t count)
{
    std::vector<std::vector<std::string>> rows;
    const auto headings = Cells(lines.at(first));
    for (std::size_t n = first; n < first + count && n < lines.size(); ++n) {
        const auto cells = Cells(lines[n]);
        EXPECT_EQ(cells.size(), headings.size()) << lines[n];
        rows.emplace_back(headings.size());
        for (std::size_t k = 0; k < cells.size() && k < headings.size(); ++k) {
            const std::size_t start = cells[k].first, end = start + cells[k].second.size();
            const bool moved = k > 0 && cells[k - 1].first + cells[k - 1].second.size() + 2 > headings[k].first;
            EXPECT_TRUE(moved || start == headings[k].first || end == headings[k].first + headings[k].second.size())
                << cells[k].second << " is not under " << headings[k].second << ":\n" << lines[first] << "\n" << lines[n];
            rows.back()[k] = cells[k].second;
        }
    }
    return rows;
}

// The text with the first `from` (which it must hold) replaced by `to`.
std::string Replace(std::string text, const std::string &from, const std::string &to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// A backup edited by one who knows the format: a named setting of its first
// adapter, the image bytes that hold it and the checksum, so that only the
// rules can tell.
std::string EditConsistently(const std::string &backup, const std::string &setting, const nlohmann::json &value,
                             std::size_t offset, std::initializer_list<std::uint8_t> bytes)
{
    nlohmann::json file = nlohmann::json::parse(backup);
    nlohmann::json &adapter = file["adapters"][0];
    adapter["settings"][nlohmann::json::json_pointer(setting)] = value;
    std::string hex;
    for (const auto &line : adapter["image"]["hex"])
        hex += line.get<std::string>();
    std::vector<std::uint8_t> image(kImageSize);
    for (std::size_t i = 0; i < kImageSize; ++i)
        image[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    for (std::uint8_t b : bytes)
        image[offset++] = b;
    nlohmann::json lines = nlohmann::json::array();
    for (std::size_t at = 0; at < kImageSize; at += 32) {
        std::string line;
        for (std::size_t i = at; i < at + 32 && i < kImageSize; ++i) {
            char two[3];
            std::snprintf(two, sizeof two, "%02x", image[i]);
            line += two;
        }
        lines.push_back(line);
    }
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08lx", static_cast<unsigned long>(Crc32(image.data(), kImageSize)));
    adapter["image"]["hex"] = lines;
    adapter["image"]["crc32"] = crc;
    return file.dump(2);
}

class Cli : public testing::Test {
protected:
    void SetUp() override
    {
        LoadLanguage();
        wchar_t here[MAX_PATH], temp[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, here);
        program = L"\"" + std::wstring(here) + L"\\ktrcli.exe\"";
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"ktrcli_test_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder.c_str(), nullptr);
        ClearHistory();
        ASSERT_EQ(InstallTestBench(kBench), "");  // unless a test installs another
    }
    void TearDown() override
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
            const std::wstring path = folder + L"\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (found.cFileName[0] != L'.')
                    RemoveDirectoryW(path.c_str());
            } else {
                DeleteFileW(path.c_str());
            }
        }
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        RemoveDirectoryW(folder.c_str());
    }
    // Runs ktrcli with the arguments from the test's own folder, never the program's.
    ProgramRun Run(const std::wstring &arguments)
    {
        return RunProgram(program + L" " + arguments, folder);
    }
    std::wstring Path(const wchar_t *name) { return folder + L"\\" + name; }
    void Write(const wchar_t *name, const std::string &text)
    {
        HANDLE file = CreateFileW(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }
    std::string Read(const wchar_t *name)
    {
        HANDLE file = CreateFileW(Path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        std::string text(2 * 1024 * 1024, '\0');
        DWORD read = 0;
        ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
        CloseHandle(file);
        text.resize(read);
        return text;
    }
    // A backup of the bench as ktrcli writes it, and the images it holds by port.
    std::map<int, std::vector<std::uint8_t>> Backup(const wchar_t *name)
    {
        const ProgramRun run = Run(std::wstring(L"backup ") + name);
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        ::SettingsFile file;
        EXPECT_EQ(ReadSettingsFile(Path(name).c_str(), file).problem, FileProblem::None);
        std::map<int, std::vector<std::uint8_t>> images;
        for (const FileAdapter &adapter : file.adapters) {
            const auto *bytes = reinterpret_cast<const std::uint8_t *>(&adapter.image);
            images[adapter.port].assign(bytes, bytes + kImageSize);
        }
        return images;
    }
    // ktrcli's backup of the bench, as text.
    std::string BackupText()
    {
        Backup(L"backup.json");
        return Read(L"backup.json");
    }
    // The bench's adapters changed since the backup: bytes that no setting names and named ones alike.
    void ChangeOnTheBench(const std::map<int, std::vector<std::uint8_t>> &backup)
    {
        for (int port : kPorts) {
            std::vector<std::uint8_t> changed = backup.at(port);
            for (std::size_t at : {std::size_t{3}, std::size_t{14}, std::size_t{82}, std::size_t{500}, kImageSize - 1})
                changed[at] ^= 0x5A;
            ASSERT_TRUE(WriteStoredImage(port, changed));
        }
    }
    std::wstring program, folder;
};

}  // namespace

TEST_F(Cli, ListGivesEachAdapterItsRow)
{
    ASSERT_EQ(InstallTestBench(kListBench), "");
    ProgramRun run = Run(L"list");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    // In the platform's order, as the main window lists them.
    const std::vector<std::string> lines = ProgramRun::Lines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Table(lines, 0, lines.size()), (std::vector<std::vector<std::string>>{
                                                 {"port", "chip", "I/O", "IRQ", "valid"},
                                                 {"5", "KTR-A0010", "0000", "--", "no"},
                                                 {"1", "KTR-A0060", "6400", "11", "yes"},
                                                 {"2", "KTR-A0130", "6800", "10", "yes"},
                                                 {"3", "KTR-A0030", "03F0", "05", "yes"},
                                                 {"7", "KTR-A0130", "FFFF0000", "123456789", "yes"}}));
    EXPECT_TRUE(Holds(run.out, "\r\n")) << "a pipe gets Windows line ends";
    EXPECT_TRUE(Holds(run.err, "port 5 (KTR-A0010): its stored settings are invalid")) << run.err;

    run = Run(L"list --json");
    EXPECT_EQ(run.exitCode, 0u);
    const nlohmann::json list = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(list.is_discarded()) << run.out;
    ASSERT_EQ(list["adapters"].size(), 5u);
    EXPECT_EQ(list["adapters"][4]["ioAddress"], 0xFFFF0000u);
    EXPECT_EQ(list["adapters"][4]["interrupt"], 123456789);
    EXPECT_EQ(list["adapters"][2], nlohmann::json::parse(R"({"port": 2, "chip": "KTR-A0130", "chipCode": 13,
                                       "ioAddress": 26624, "interrupt": 10, "valid": true})"));
    EXPECT_TRUE(list["adapters"][0]["interrupt"].is_null());
    EXPECT_EQ(list["adapters"][0]["valid"], false);
}

TEST_F(Cli, ShowGivesEachSettingItsRow)
{
    ASSERT_EQ(InstallTestBench(kListBench), "");
    // For a person: the adapter's own settings, then a line per SCSI ID as the device table shows it.
    ProgramRun run = Run(L"show --port 2");
    EXPECT_EQ(run.exitCode, 0u);
    const std::vector<std::string> lines = ProgramRun::Lines(run.out);
    ASSERT_EQ(lines.size(), 1u + 4u + 1u + 16u);
    EXPECT_EQ(lines[0], "port 2: KTR-A0130, stored settings valid");
    EXPECT_EQ(Table(lines, 1, 4)[2], (std::vector<std::string>{"hostId", "7"}));
    const auto devices = Table(lines, 5, 1 + 16);
    EXPECT_EQ(devices[0], (std::vector<std::string>{"id", "device", "rateCode", "rate", "busWidth", "disconnection",
                                                    "timeout", "sendStartUnit", "scanAtStart", "taggedQueuing"}));
    EXPECT_EQ(devices[1 + 2], (std::vector<std::string>{"2", "DISK B", "48", "40", "16", "On", "10", "Yes", "Yes", "Enabled"}));
    EXPECT_EQ(devices[1 + 7][1], "KTR-A0130 (host)");
    EXPECT_EQ(devices[1 + 5][1], "(none)");
    // A name longer than its column is cut after as many characters, never inside one.
    run = Run(L"show --port 7");
    EXPECT_EQ(Table(ProgramRun::Lines(run.out), 5, 1 + 16)[1 + 4][1],
              "\u65e5\u672c\u8a9e\u306e\u540d\u524d\u304c\u3068\u3066\u3082\u9577\u3044\u30c7\u30a3\u30b9\u30af");

    run = Run(L"show --json");
    const nlohmann::json shown = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(shown.is_discarded()) << run.out;
    ASSERT_EQ(shown["adapters"].size(), 5u);
    EXPECT_EQ(shown["adapters"][1]["port"], 1);
    EXPECT_EQ(shown["adapters"][0]["valid"], false);
    EXPECT_EQ(shown["adapters"][1]["valid"], true);
    EXPECT_EQ(shown["adapters"][1]["settings"]["devices"][15]["busWidth"], 8);
    EXPECT_FALSE(shown["adapters"][1].contains("image")) << "show names settings; a backup holds images";
}

TEST_F(Cli, RestorePutsEveryByteOfTheBackupBack)
{
    const auto backup = Backup(L"backup.json");
    ASSERT_EQ(backup.size(), 3u);
    ProgramRun run = Run(L"restore backup.json");
    EXPECT_EQ(ProgramRun::Lines(run.out), std::vector<std::string>{"nothing to change"}) << "right after the backup";
    for (int port : kPorts)
        EXPECT_EQ(Stored(port), backup.at(port)) << "exact, bytes that the load clears included: " << port;

    ChangeOnTheBench(backup);
    run = Run(L"restore backup.json");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    for (int port : kPorts) {
        EXPECT_EQ(Stored(port), backup.at(port)) << "byte for byte: " << port;
        EXPECT_EQ(Writes(port), 1u) << port;
        EXPECT_TRUE(Holds(run.out, "port " + std::to_string(port) + ": written")) << run.out;
    }
    run = Run(L"restore backup.json");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(ProgramRun::Lines(run.out), std::vector<std::string>{"nothing to change"});
    EXPECT_EQ(Writes(1) + Writes(2) + Writes(3), 3u);
}

TEST_F(Cli, EveryWriteKeepsWhatTheAdapterHeldAndUndoPutsItBack)
{
    const auto backup = Backup(L"backup.json");
    // Changed since, within the rules that a restore keeps: the host ID, and a byte that no setting names.
    std::map<int, std::vector<std::uint8_t>> changed = backup;
    for (int port : kPorts) {
        changed[port][14] = 5;
        changed[port][3] ^= 0x5A;
        ASSERT_TRUE(WriteStoredImage(port, changed[port]));
    }
    ASSERT_EQ(Run(L"restore backup.json").exitCode, 0u);
    for (int port : kPorts) {
        const std::vector<std::wstring> kept = KeptFiles(port);
        ASSERT_EQ(kept.size(), 1u) << port;
        EXPECT_EQ(ReadKept(kept[0]).image, changed[port]) << "all the bytes that the adapter held: " << port;
    }
    ProgramRun run = Run(L"history --json");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const nlohmann::json history = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_EQ(history["states"].size(), 3u) << run.out;
    EXPECT_EQ(history["states"][0]["program"], "ktrcli");
    EXPECT_EQ(history["states"][0]["action"], "restore");
    const int port = history["states"][0]["port"];
    EXPECT_EQ(history["states"][0]["file"], Utf8(HistoryFolderPath() + L"\\" + KeptFiles(port)[0]));

    run = Run(L"undo");
    EXPECT_EQ(run.exitCode, 1u) << "several adapters: one must be named";
    EXPECT_TRUE(Holds(run.err, "ports 1, 2, 3")) << run.err;
    run = Run(L"undo --port 2 --dry-run");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Stored(2), backup.at(2));
    // Undo puts back what the adapter held before the restore and keeps what it replaces: a second undo redoes.
    for (const std::vector<std::uint8_t> &expected : {changed.at(2), backup.at(2)}) {
        run = Run(L"undo --port 2 --json");
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_EQ(Stored(2), expected);
        const nlohmann::json undone = nlohmann::json::parse(run.out, nullptr, false);
        EXPECT_EQ(undone["written"], nlohmann::json::parse("[2]")) << run.out;
        const KeptFile newest = ReadKept(KeptFiles(2).back());
        EXPECT_EQ(newest.action, "undo");
        EXPECT_NE(newest.image, expected);
    }
    EXPECT_EQ(KeptFiles(2).size(), 3u);
    EXPECT_EQ(Writes(1) + Writes(3), 2u) << "undo writes its own port only";
    // A kept state is a backup of its adapter, which restore takes too.
    run = Run(L"restore \"" + HistoryFolderPath() + L"\\" + KeptFiles(1)[0] + L"\"");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Stored(1), changed.at(1));
}

TEST_F(Cli, EachPortKeepsItsNewestStatesAndAWriteThatDidNotLandKeepsNone)
{
    ASSERT_EQ(InstallTestBench(std::string(kBench) + "port 6 driver ktrwide\n  adapter chip 13 faults writefails\n"), "");
    ProgramRun run = Run(L"undo --port 1");
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_TRUE(Holds(run.err, "port 1: nothing to undo")) << run.err;
    Write(L"six.json", R"({"format": 1, "adapters": [{"port": 6, "settings": {"hostId": 6}}]})");
    Write(L"taken.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 0}}]})");
    EXPECT_EQ(Run(L"apply six.json").exitCode, 3u) << "the write failed";
    EXPECT_EQ(Run(L"apply taken.json").exitCode, 2u) << "refused";
    EXPECT_EQ(KeptFiles(-1), std::vector<std::wstring>{});
    EXPECT_EQ(Writes(1), 0u);

    Write(L"five.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 5}}]})");
    ASSERT_EQ(Run(L"apply five.json").exitCode, 0u);
    // Older states beside it: 20 of port 1, and one of port 2 that port 1's writes leave alone.
    const std::wstring history = HistoryFolderPath() + L"\\", first = KeptFiles(1).at(0);
    for (int n = 0; n < 20; ++n)
        ASSERT_TRUE(CopyFileW((history + first).c_str(),
                              (history + L"2020-01-01T0000" + (n < 10 ? L"0" : L"") + std::to_wstring(n) + L".000Z-port1.json").c_str(),
                              TRUE));
    ASSERT_TRUE(CopyFileW((history + first).c_str(), (history + L"2020-01-01T000000.000Z-port2.json").c_str(), TRUE));
    Write(L"six.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 6}}]})");
    ASSERT_EQ(Run(L"apply six.json").exitCode, 0u);
    const std::vector<std::wstring> kept = KeptFiles(1);
    ASSERT_EQ(kept.size(), 20u) << "the newest 20";
    EXPECT_EQ(kept.front(), L"2020-01-01T000002.000Z-port1.json") << "the oldest two went";
    EXPECT_EQ(kept[18], first);
    EXPECT_EQ(KeptFiles(2).size(), 1u);
    // A clock that went back still names the newest state last.
    ASSERT_TRUE(CopyFileW((history + first).c_str(), (history + L"2099-01-01T000000.000Z-port3.json").c_str(), TRUE));
    Write(L"three.json", R"({"format": 1, "adapters": [{"port": 3, "settings": {"hostId": 6}}]})");
    ASSERT_EQ(Run(L"apply three.json").exitCode, 0u);
    EXPECT_EQ(KeptFiles(3).back(), L"2099-01-01T000000.001Z-port3.json");
}

TEST_F(Cli, AHistoryFolderThatOthersCanChangeIsNotUsedAndTheWriteStillLands)
{
    Write(L"five.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 5}}]})");
    ASSERT_EQ(Run(L"apply five.json").exitCode, 0u);
    // As made, read back through the system: only Administrators, the system or the account that made it may write.
    EXPECT_EQ(FolderWriters(HistoryFolderPath()), "");
    const std::wstring folder = HistoryFolderPath();
    const struct {
        const char *made;
        bool (*open)(const std::wstring &folder);
    } rows[] = {
        {"writable by everyone", GrantEveryone},
        {"owned by another account", GiveToAnotherAccount},
    };
    std::uint8_t hostId = 6;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.made);
        ClearHistory();
        ASSERT_TRUE(MakeHistoryFolder());
        ASSERT_TRUE(row.open(folder));
        EXPECT_NE(FolderWriters(folder), "");
        Write(L"id.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": )" + std::to_string(hostId) + "}}]}");
        ProgramRun run = Run(L"apply id.json --json");
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_EQ(Stored(1).at(14) & 0x0F, hostId++) << "the write lands";
        EXPECT_TRUE(Holds(run.err, "is not used")) << run.err;
        const nlohmann::json applied = nlohmann::json::parse(run.out, nullptr, false);
        EXPECT_EQ(applied["warnings"].size(), 1u) << run.out;
        EXPECT_EQ(KeptFiles(-1), std::vector<std::wstring>{}) << "nothing kept there";
        run = Run(L"history");
        EXPECT_EQ(run.exitCode, 3u) << "nothing read there";
        EXPECT_EQ(Run(L"undo --port 1").exitCode, 3u);
    }
    // In a folder that is used, a newer file that cannot be trusted or read is passed over, and named.
    ClearHistory();
    Write(L"id.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 3}}]})");
    ASSERT_EQ(Run(L"apply id.json").exitCode, 0u);
    const std::vector<std::uint8_t> before = ReadKept(KeptFiles(1).at(0)).image;
    const std::wstring kept = folder + L"\\" + KeptFiles(1)[0];
    const std::pair<const wchar_t *, std::function<bool(const std::wstring &)>> planted[] = {
        {L"2099-01-01T000000.000Z-port1.json", [](const std::wstring &f) { return !!(std::ofstream(f.c_str(), std::ios::binary) << "{not json"); }},
        {L"2099-01-01T000000.001Z-port1.json",
         [&](const std::wstring &f) {
             const std::wstring outside = Path(L"outside.json");
             return CopyFileW(kept.c_str(), outside.c_str(), TRUE) && CreateHardLinkW(f.c_str(), outside.c_str(), nullptr);
         }},
        {L"2099-01-01T000000.002Z-port1.json",
         [&](const std::wstring &f) { return CopyFileW(kept.c_str(), f.c_str(), TRUE) && GiveToAnotherAccount(f); }},
    };
    for (const auto &[name, plant] : planted)
        ASSERT_TRUE(plant(folder + L"\\" + name)) << Utf8(name);
    ProgramRun run = Run(L"undo --port 1 --json");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Stored(1), before);
    const nlohmann::json undone = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_EQ(undone["warnings"].size(), 3u) << run.out;
    for (const char *why : {"cannot be read", "another name", "owned by"})
        EXPECT_TRUE(Holds(undone["warnings"].dump(), why)) << why;
    ClearHistory();
}

TEST_F(Cli, ADryRunListsWhatARestoreWouldChangeAndWritesNothing)
{
    ChangeOnTheBench(Backup(L"backup.json"));
    const std::vector<std::uint8_t> changedTwo = Stored(2);
    const ProgramRun run = Run(L"restore backup.json --dry-run");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_TRUE(Holds(run.out, "port 2: hostId: 93 -> 7")) << run.out;
    EXPECT_TRUE(Holds(run.out, "port 2: otherBytes: 3 changed")) << run.out;
    EXPECT_TRUE(Holds(run.out, "port 3: would be written (dry run)")) << run.out;
    for (int port : kPorts)
        EXPECT_EQ(Writes(port), 0u) << "a dry run writes nothing: " << port;
    EXPECT_EQ(Stored(2), changedTwo);
}

TEST_F(Cli, BytesThatASaveThroughTheWindowsClearedAreFoundAndPutBack)
{
    const auto backup = Backup(L"backup.json");
    // A save through the windows writes the records, which lack the bytes that the load clears.
    ASSERT_TRUE(LoadAdapters());
    workingRecords[AdapterAtPort(1)].modified = 1;
    ASSERT_EQ(SaveAllAdapterSettings(), 0u);
    ResetProgramState();
    ASSERT_EQ(Stored(1)[25], 0u);
    const struct {
        const wchar_t *command;
        DWORD code;
        std::vector<std::string> out;
    } rows[] = {
        {L"verify backup.json", 4, {"port 1: otherBytes: 1 changed"}},
        {L"restore backup.json", 0, {"port 1: otherBytes: 1 changed", "port 1: written"}},
        {L"verify backup.json", 0, {"the adapters hold what the file says"}},
    };
    for (const auto &row : rows) {
        const ProgramRun run = Run(row.command);
        EXPECT_EQ(run.exitCode, row.code) << run.err;
        EXPECT_EQ(ProgramRun::Lines(run.out), row.out);
    }
    EXPECT_EQ(Stored(1), backup.at(1));
}

TEST_F(Cli, ADamagedAdapterGetsItsSettingsBackFromABackup)
{
    // Port 5: a chip that offers no rate, with device 0 at 8 bits where its defaults have 16.
    ASSERT_EQ(InstallTestBench(std::string(kBench) + "port 5 driver ktrwide\n  adapter chip 5\n  image defaults\n"
                                                  "  set 78 8\n"),
              "");
    const auto backup = Backup(L"backup.json");
    // The adapters' memory is damaged: it reads as zeros and reports an invalid image.
    for (const auto &[port, status] : {std::pair{3, 0x0301}, std::pair{5, 0x0501}}) {
        ASSERT_TRUE(WriteStoredImage(port, std::vector<std::uint8_t>(kImageSize, 0)));
        ASSERT_TRUE(SetPortParameter(L"Status", port, status));
    }
    Write(L"hostid.json", R"({"format": 1, "adapters": [{"port": 3, "settings": {"hostId": 6}}]})");
    ProgramRun run = Run(L"apply hostid.json");
    EXPECT_EQ(run.exitCode, 2u) << "apply refuses it, as the dialogs do";
    EXPECT_TRUE(Holds(run.err, "hostid.json: invalid adapter: port 3")) << run.err;

    for (int port : {3, 5}) {
        SCOPED_TRACE(port);
        const std::string at = "port " + std::to_string(port) + ": ";
        const std::wstring only = L" --port " + std::to_wstring(port);
        // What the adapter holds, not the defaults that stand in for it.
        run = Run(L"verify backup.json" + only);
        EXPECT_EQ(run.exitCode, 4u) << run.err;
        const std::vector<std::string> lines = ProgramRun::Lines(run.out);
        for (const std::string line : {"storedSettings: invalid -> valid", "hostId: 0 -> 7"})
            EXPECT_NE(std::find(lines.begin(), lines.end(), at + line), lines.end()) << line << "\n" << run.out;
        run = Run(L"restore backup.json" + only);
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_EQ(Stored(port), backup.at(port)) << "the marker of substituted defaults is never written";
        EXPECT_EQ(Writes(port), 1u);
    }
    EXPECT_EQ(Writes(1) + Writes(2), 0u) << "--port restores that adapter only";
}

TEST_F(Cli, VerifyListsWhatADryRunOfApplyWouldChange)
{
    Write(L"template.json", kTemplate);
    ProgramRun run = Run(L"verify template.json");
    EXPECT_EQ(run.exitCode, 4u) << run.err;
    const std::vector<std::string> differences = ProgramRun::Lines(run.out);
    run = Run(L"apply template.json --dry-run");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Writes(2), 0u);
    const std::vector<std::string> dry = ProgramRun::Lines(run.out);
    EXPECT_EQ(std::vector<std::string>(dry.begin(), dry.end() - 1), differences) << "verify lists what apply changes";
}

TEST_F(Cli, TemplateChangesOnlyWhatItNames)
{
    Write(L"template.json", kTemplate);
    const std::vector<std::uint8_t> one = Stored(1), two = Stored(2);
    const ProgramRun run = Run(L"apply template.json");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_TRUE(Holds(run.out, "port 2: hostId: 7 -> 6")) << run.out;
    EXPECT_TRUE(Holds(run.out, "port 2: devices[3].timeout: 10 -> 30")) << run.out;
    SettingsImage expected;
    std::memcpy(&expected, two.data(), kImageSize);
    expected.hostId = 6;
    for (int id = 0; id < kScsiIds; ++id) {
        expected.deviceTable[id].deviceValue.set(id == 3 ? 30 : 20);
        expected.deviceTable[id].deviceFlags &= static_cast<std::uint8_t>(~8u);
    }
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(&expected);
    EXPECT_EQ(Stored(2), std::vector<std::uint8_t>(bytes, bytes + kImageSize));
    EXPECT_EQ(Stored(1), one);
    EXPECT_EQ(Writes(1) + Writes(3), 0u) << "only the adapter whose image changes is written";
    EXPECT_EQ(Run(L"verify template.json").exitCode, 0u);
}

TEST_F(Cli, BadInputWritesNothing)
{
    const std::string backup = BackupText();
    const std::string edited = Replace(backup, "\"hostId\": 7", "\"hostId\": 5");
    const std::string other = Replace(backup, "\"computer\": \"", "\"computer\": \"OTHER-");
    std::string damaged = backup;
    const size_t crc = damaged.find("\"crc32\": \"") + 10;
    damaged[crc] = damaged[crc] == '0' ? '1' : '0';
    const struct {
        const char *name;
        std::optional<std::string> text;  // none: no file is written
        const char *command;
        DWORD code;
        std::string error;  // after the file's name
    } rows[] = {
        {"notjson.json", "{\"format\": 1, \"adapters\": [", "apply", 1, ": line 1: not JSON, or cut short"},
        {"empty.json", "", "restore", 1, ": empty"},
        {"future.json", R"({"format": 2, "adapters": [{"port": 2}]})", "apply", 1, ": a format newer"},
        {"typo.json", R"({"format": 1, "adapters": [{"port": 2, "settings": {"hostID": 6}}]})", "apply", 1,
         ": unknown key: adapters[0].settings.hostID"},
        {"template.json", R"({"format": 1, "adapters": [{"port": 2, "settings": {"hostId": 6}}]})", "restore", 1,
         ": a template, not a backup"},
        {"missing.json", std::nullopt, "apply", 1, ": cannot be read"},
        {"large.json", R"({"format": 1, "adapters": [{"port": 2}]})" + std::string(1024 * 1024, ' '), "apply", 1,
         ": larger than 1 MiB"},
        {"twice.json", R"({"format": 1, "adapters": [{"port": 2}, {"port": 2}]})", "apply", 2, ": port named twice"},
        {"noport.json", R"({"format": 1, "adapters": [{"port": 9, "settings": {"hostId": 6}}]})", "apply", 2,
         ": no such adapter: port 9"},
        {"chip.json", R"({"format": 1, "adapters": [{"port": 2, "chipCode": 6, "settings": {"hostId": 6}}]})",
         "apply", 2, ": another chip: port 2"},
        {"taken.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 0}}]})", "apply", 2,
         ": refused: port 1: adapters[0].settings.hostId"},
        {"narrow.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"allDevices": {"busWidth": 16}}}]})",
         "apply", 2, ": refused: port 1"},
        {"timeout.json", R"({"format": 1, "adapters": [{"port": 2, "settings": {"devices": [{"id": 1, "timeout": 10000}]}}]})",
         "apply", 2, ": refused: port 2: adapters[0].settings.devices[0].timeout"},
        {"edited.json", edited, "restore", 2, ": edited backup: port 1: adapters[0].settings.hostId"},
        {"damaged.json", damaged, "restore", 2, ": damaged image: port 1"},
        {"rate.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"devices": [{"id": 1, "rateCode": 40}]}}]})",
         "apply", 2, ": refused: port 1: adapters[0].settings.devices[0].rateCode: 40: the chip does not offer"},
        {"other.json", other, "restore", 2, ": a backup of another computer: computer: OTHER-"},
        {"other.json", other, "verify", 2,
         ": a backup of another computer: computer: OTHER-" + ThisComputer() + ": this computer is " + ThisComputer() +
             "; --other-computer compares with it here"},
        {"help", std::nullopt, "apply", 1, ": cannot be read"},
        {"backup.json", std::nullopt, "backup", 1, ": not replaced"},
    };
    for (const auto &row : rows) {
        const std::wstring name(row.name, row.name + std::strlen(row.name));
        if (row.text)
            Write(name.c_str(), *row.text);
        const ProgramRun run = Run(std::wstring(row.command, row.command + std::strlen(row.command)) + L" " + name);
        EXPECT_EQ(run.exitCode, row.code) << row.name << "\n" << run.err;
        EXPECT_TRUE(Holds(run.err, "ktrcli: " + std::string(row.name) + row.error)) << run.err;
        EXPECT_EQ(ProgramRun::Lines(run.err).size(), 1u) << "one line: " << run.err;
        for (int port : kPorts)
            EXPECT_EQ(Writes(port), 0u) << row.name << " wrote to port " << port;
    }
}

TEST_F(Cli, ABackupThatCannotBeWrittenLeavesNothingBehind)
{
    ASSERT_TRUE(CreateDirectoryW(Path(L"taken").c_str(), nullptr));
    const ProgramRun run = Run(L"backup taken --force");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(Holds(run.err, "ktrcli: taken: cannot be written")) << run.err;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Path(L"*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary file was left";
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

TEST_F(Cli, AWrongCommandLinePointsToTheHelpThatNamesEveryExitCode)
{
    for (const wchar_t *words : {L"", L"lsit", L"backup", L"list --port 2", L"show --port 256", L"list --dry-run"}) {
        const ProgramRun usage = Run(words);
        EXPECT_EQ(usage.exitCode, 1u) << Utf8(words);
        EXPECT_TRUE(Holds(usage.err, "ktrcli --help")) << usage.err;
    }
    const ProgramRun help = Run(L"--help");
    EXPECT_EQ(help.exitCode, 0u);
    // Every command in the help and in the README's table of commands.
    const std::vector<std::string> readme = SourceLines(L"README.md");
    for (int c = 1; CommandWord(static_cast<Command>(c)); ++c) {
        const std::string word = std::string("ktrcli ") + CommandWord(static_cast<Command>(c));
        EXPECT_TRUE(Holds(help.out, "  " + word + " ")) << word;
        EXPECT_TRUE(std::any_of(readme.begin(), readme.end(),
                                [&](const std::string &line) { return line.rfind("| `" + word + " ", 0) == 0; }))
            << word << " has no row in the README's table of commands";
    }
    // Each code first on its line, its meaning beside it.
    for (const char *code : {"0 +done, or nothing to change", "1 +usage", "2 +refused by a rule", "3 +an adapter could not be read",
                             "4 +verify"})
        EXPECT_TRUE(std::regex_search(help.out, std::regex(std::string("(^|\n) *") + code))) << code << "\n" << help.out;
}

TEST_F(Cli, AnAdaptersOwnBackupIsTakenThoughItsChipOffersNoRate)
{
    // Chips 5 and 7 offer no rate but hold rate code 40: their own backups are what they hold. Device 1
    // of port 1 holds a code that no rate shows: "--".
    ASSERT_EQ(InstallTestBench(Replace(kBench, "  set 25 99\n", "  set 25 99\n  set 88 44\n") +
                               "port 5 driver ktrwide\n  adapter chip 5\n  image defaults\n"
                               "port 7 driver ktrwide\n  adapter chip 7\n  image defaults\n"),
              "");
    Backup(L"own.json");
    // The same as a template: its named settings only.
    nlohmann::json own = nlohmann::json::parse(Read(L"own.json"));
    const auto one = std::find_if(own["adapters"].begin(), own["adapters"].end(),
                                  [](const nlohmann::json &adapter) { return adapter["port"] == 1; });
    ASSERT_NE(one, own["adapters"].end());
    EXPECT_EQ((*one)["settings"]["devices"][1]["rate"], "--");
    for (const char *key : {"kind", "computer", "taken"})
        own.erase(key);
    for (auto &adapter : own["adapters"])
        adapter.erase("image");
    Write(L"template.json", own.dump());
    for (const wchar_t *command : {L"apply own.json", L"restore own.json", L"verify own.json", L"apply template.json",
                                   L"verify template.json"}) {
        const ProgramRun run = Run(command);
        EXPECT_EQ(run.exitCode, 0u) << Utf8(command) << run.err;
    }
    for (int port : {1, 2, 3, 5, 7})
        EXPECT_EQ(Writes(port), 0u) << port;
}

TEST_F(Cli, EveryValueThatChangesKeepsTheRulesOfTheWindows)
{
    const std::string backup = BackupText();  // port 1 first: chip 6, narrow, a device at ID 0
    const std::size_t device3 = 76 + 3 * 8;
    const struct {
        const char *setting;
        nlohmann::json value;
        std::size_t offset;
        std::initializer_list<std::uint8_t> bytes;
        const char *refusal;
    } rows[] = {
        {"/hostId", 16, 14, {16}, "adapters[0].settings.hostId: 16: the host ID is 0 to 15"},
        {"/hostId", 0, 14, {0}, "adapters[0].settings.hostId: 0: a device answers"},
        {"/devices/3/busWidth", 32, device3 + 2, {32}, "adapters[0].settings.devices[3].busWidth: 32: the bus width"},
        {"/devices/3/busWidth", 16, device3 + 2, {16}, "adapters[0].settings.devices[3].busWidth: 16: the chip"},
        {"/devices/3/rateCode", 40, device3 + 4, {40, 0}, "adapters[0].settings.devices[3].rateCode: 40: the chip does"},
        {"/devices/3/timeout", 10000, device3 + 6, {0x10, 0x27},
         "adapters[0].settings.devices[3].timeout: 10000: the timeout"},
    };
    for (const auto &row : rows) {
        std::string edited = EditConsistently(backup, row.setting, row.value, row.offset, row.bytes);
        // Code 48 wide, or code 40 narrow, shows as 40.
        if (std::strstr(row.setting, "/devices/3/busWidth") || std::strstr(row.setting, "/devices/3/rateCode"))
            edited = EditConsistently(edited, "/devices/3/rate", "40", 0, {});
        Write(L"edited.json", edited);
        for (const wchar_t *command : {L"restore edited.json", L"apply edited.json"}) {
            const ProgramRun run = Run(command);
            EXPECT_EQ(run.exitCode, 2u) << row.refusal << "\n" << run.err;
            const std::vector<std::string> lines = ProgramRun::Lines(run.err);
            ASSERT_EQ(lines.size(), 1u) << run.err;
            EXPECT_EQ(lines[0].rfind("ktrcli: edited.json: refused: port 1: " + std::string(row.refusal), 0), 0u)
                << lines[0];
        }
    }
    for (int port : kPorts)
        EXPECT_EQ(Writes(port), 0u) << port;
}

TEST_F(Cli, AnotherComputersBackupIsRefusedAndThenMeetsTheRules)
{
    const std::string backup = BackupText();  // port 1 first, where a device answers at ID 0
    Write(L"server2.json", Replace(EditConsistently(backup, "/hostId", 0, 14, {0}), "\"computer\": \"",
                                   "\"computer\": \"SERVER2-"));
    ProgramRun run = Run(L"restore server2.json");
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_TRUE(Holds(run.err, "a backup of another computer: computer: SERVER2-")) << run.err;
    EXPECT_TRUE(Holds(run.err, "this computer is ")) << run.err;
    run = Run(L"restore server2.json --other-computer");
    EXPECT_EQ(run.exitCode, 2u) << "and then the rules: " << run.err;
    EXPECT_TRUE(Holds(run.err, "adapters[0].settings.hostId: 0: a device answers")) << run.err;
    EXPECT_EQ(Writes(1), 0u);
}

TEST_F(Cli, LoadWarningsEndTheRunOnStandardError)
{
    const struct {
        const char *bench;
        const wchar_t *command;
        DWORD code;
        UINT warning;             // the English module's, or 0
        const char *line;         // the program's own, or null
    } rows[] = {
        {"port 1 driver ktrscsi\n  adapter chip 6 faults readfails\nport 2 driver ktrwide\n  adapter chip 13\n",
         L"list", 3, IDS_READ_FAILED, "port 1: the settings could not be read"},
        {"port 1 driver ktrscsi\n  adapter chip 6 faults readfails\nport 2 driver ktrwide\n  adapter chip 13\n",
         L"backup b.json", 3, IDS_READ_FAILED, nullptr},
        {"port 3 driver ktrfast\n  adapter chip 3 status 0x0301\n", L"show", 0, 0,
         "port 3 (KTR-A0030): its stored settings are invalid"},
        {"port 3 driver ktrfast\n  adapter chip 3 status 0x0301\nport 2 driver ktrwide\n  adapter chip 13\n",
         L"backup c.json", 3, 0, "port 3 (KTR-A0030): not backed up: its stored settings are invalid"},
        // b.json is there since the second row: the file's problem decides.
        {"port 3 driver ktrfast\n  adapter chip 3 status 0x0301\nport 2 driver ktrwide\n  adapter chip 13\n",
         L"backup b.json", 1, 0, "ktrcli: b.json: not replaced"},
        // Whatever the order of the file, a rule's refusal goes before an adapter that could not be read.
        {"port 1 driver ktrscsi\n  adapter chip 6 faults readfails\nport 2 driver ktrwide\n  adapter chip 13\n",
         L"apply two.json", 2, IDS_READ_FAILED, "ktrcli: two.json: refused: port 2: adapters[1].settings.hostId: 16"},
        {"port 1 driver ktrscsi_long\n  adapter chip 6\nport 2 nodriver\n  adapter chip 13\n", L"list", 3,
         IDS_NO_ADAPTER, nullptr},
        {"port 2 driver ktrwide\n  adapter chip 13 faults denied\n", L"list", 3, IDS_READ_FAILED,
         "port 2: access to the adapter was denied: run it from an elevated prompt"},
    };
    Write(L"two.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 6}},
        {"port": 2, "settings": {"hostId": 16}}]})");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.bench);
        ASSERT_EQ(InstallTestBench(row.bench), "");
        const ProgramRun run = Run(row.command);
        EXPECT_EQ(run.exitCode, row.code) << run.out << run.err;
        if (row.warning) {
            EXPECT_TRUE(Holds(run.err, "ktrcli: warning: " + Utf8(ModuleText(row.warning)) + "\r\n")) << run.err;
        }
        if (row.line) {
            EXPECT_TRUE(Holds(run.err, row.line)) << run.err;
        }
    }
    // No device map at all.
    ASSERT_EQ(InstallTestBench(""), "");
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\Scsi"), ERROR_SUCCESS);
    for (const wchar_t *command : {L"list --json", L"show --port 2 --json", L"backup b.json --port 2 --json"}) {
        const ProgramRun run = Run(command);
        EXPECT_EQ(run.exitCode, 3u) << Utf8(command);
        EXPECT_TRUE(Holds(run.err, Utf8(ModuleText(IDS_NO_DEVICE_MAP)))) << run.err;
        const nlohmann::json document = nlohmann::json::parse(run.out, nullptr, false);
        EXPECT_EQ(document["exitCode"], 3);
        EXPECT_EQ(document.value("adapters", nlohmann::json::array()), nlohmann::json::array());
    }
}

TEST_F(Cli, AWriteThatFailsPartWayNamesWhatWasWritten)
{
    // Port 6 fails its writes; another program writes port 8 whenever it has been read.
    ASSERT_EQ(InstallTestBench(std::string(kBench) + "port 6 driver ktrwide\n  adapter chip 13 faults writefails\n"
                                                  "port 8 driver ktrwide\n  adapter chip 13 faults changes\n"),
              "");
    const std::vector<std::uint8_t> six = Stored(6);
    Write(L"all.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 6}},
        {"port": 6, "settings": {"hostId": 6}}, {"port": 2, "settings": {"hostId": 6}},
        {"port": 8, "settings": {"hostId": 6}}]})");
    const ProgramRun run = Run(L"apply all.json");
    EXPECT_EQ(run.exitCode, 3u) << run.out << run.err;
    const std::vector<std::string> lines = ProgramRun::Lines(run.out);
    const std::vector<std::string> tail(lines.end() - 4, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"port 1: written", "port 2: written", "port 6: not written",
                                              "port 8: not written"}));
    EXPECT_TRUE(Holds(run.err, "port 6: the settings could not be written")) << run.err;
    EXPECT_TRUE(Holds(run.err, "port 8: another program changed the adapter after it was read")) << run.err;
    EXPECT_EQ(Stored(1)[14], 6u);
    EXPECT_EQ(Stored(2)[14], 6u);
    EXPECT_EQ(Stored(6), six);
    EXPECT_EQ(Stored(8)[14], 7u) << "the other program's change stays";
    EXPECT_EQ(Writes(8), 0u);
    for (int port : {1, 2, 3})
        EXPECT_EQ(ReadPortCounts(port).reads, port == 3 ? 1u : 2u) << "one read more for each adapter written";
}

TEST_F(Cli, WithJsonEveryOutcomeIsOneDocument)
{
    ASSERT_EQ(InstallTestBench(std::string(kBench) + "port 6 driver ktrwide\n  adapter chip 13 faults writefails\n"), "");
    Backup(L"backup.json");
    Write(L"taken.json", R"({"format": 1, "adapters": [{"port": 1, "settings": {"hostId": 0}}]})");
    Write(L"six.json", R"({"format": 1, "adapters": [{"port": 6, "settings": {"hostId": 6}},
        {"port": 2, "settings": {"hostId": 6}}]})");
    const struct {
        const wchar_t *command;
        const char *name;
        DWORD code;
    } rows[] = {
        {L"lsit --json", "usage", 1},          {L"show --port 9 --json", "show", 2},
        {L"backup backup.json --json", "backup", 1}, {L"restore missing.json --json", "restore", 1},
        {L"apply taken.json --json", "apply", 2}, {L"verify six.json --json", "verify", 4},
        {L"apply six.json --json", "apply", 3},  {L"list --json", "list", 0},
        {L"--json list", "list", 0},             {L"backup nine.json --port 9 --json", "backup", 2},
        {L"--json --help", "help", 0},           {L"history --json", "history", 0},
        {L"undo --json", "undo", 1},            {L"undo --port 1 --json", "undo", 3},
    };
    // The document's table of keys: each key, and the commands that it is "in".
    std::map<std::string, std::string> documented;
    bool inTable = false;
    for (const std::string &line : SourceLines(L"docs\\settings-file.md")) {
        inTable = line.rfind("| key | in |", 0) == 0 || (inTable && line.rfind("|", 0) == 0);
        const std::size_t keysEnd = line.find(" | ");
        if (!inTable || keysEnd == std::string::npos)
            continue;
        const std::string keys = line.substr(0, keysEnd), in = line.substr(keysEnd + 3, line.find(" | ", keysEnd + 3) - keysEnd - 3);
        for (std::size_t at = keys.find('`'), end; at != std::string::npos && (end = keys.find('`', at + 1)) != std::string::npos;
             at = keys.find('`', end + 1))
            documented[keys.substr(at + 1, end - at - 1)] = in;
    }
    std::vector<nlohmann::json> documents;
    for (const auto &row : rows) {
        const ProgramRun run = Run(row.command);
        EXPECT_EQ(run.exitCode, row.code) << Utf8(row.command) << run.err;
        documents.push_back(nlohmann::json::parse(run.out, nullptr, false));
        const nlohmann::json &document = documents.back();
        ASSERT_TRUE(document.is_object()) << Utf8(row.command) << ": " << run.out;
        EXPECT_EQ(document["command"], row.name);
        for (const auto &[key, in] : documented)
            EXPECT_EQ(document.contains(key), in == "all" || in.find(row.name) != std::string::npos)
                << key << " of " << row.name;
        for (const auto &key : document.items()) {
            const std::string in = documented.count(key.key()) ? documented[key.key()] : "";
            EXPECT_TRUE(in == "all" || in.find(row.name) != std::string::npos)
                << key.key() << " of " << row.name << " is not in the document's table of keys";
        }
        EXPECT_EQ(document["exitCode"], row.code);
        EXPECT_EQ(document["problems"].empty(), row.code == 0 || row.code == 4) << run.out;
        EXPECT_EQ(document["problems"].size(), ProgramRun::Lines(run.err).size() - document["warnings"].size())
            << "each line on standard error is in the document";
    }
    const nlohmann::json &refused = documents[4];
    EXPECT_EQ(refused["problems"][0]["port"], 1);
    EXPECT_EQ(refused["problems"][0]["field"], "adapters[0].settings.hostId");
    EXPECT_EQ(refused["problems"][0]["value"], "0");
    EXPECT_EQ(refused["changes"], nlohmann::json::array());
    const nlohmann::json &partly = documents[6];
    EXPECT_EQ(partly["written"], nlohmann::json::parse("[2]"));
    EXPECT_EQ(partly["notWritten"], nlohmann::json::parse("[6]"));
    EXPECT_EQ(partly["changes"][1], nlohmann::json::parse(R"({"port": 2, "field": "hostId", "old": "7", "new": "6"})"));
}
