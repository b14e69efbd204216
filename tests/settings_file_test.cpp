// Settings files in-process: records filled directly, files in a folder of
// their own, and every refusal leaving the working records as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

#include "cli/exit_codes.h"
#include "discovery/device_map.h"
#include "language/resource_ids.h"
#include "store/setting_fields.h"
#include "settings_file/settings_file.h"
#include "store/adapter_record.h"
#include "store/defaults.h"
#include "store/utf8.h"
#include "tests/emulator_support.h"
#include "tests/program_support.h"

// The suite is named after the files; the file as read is ::SettingsFile.
namespace settings_tests {
namespace {

// Replaces the first `from` in text (which must hold it) with `to`.
std::string Replace(std::string text, const std::string &from, const std::string &to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string Template(const std::string &adapters)
{
    return "{\"format\": 1, \"adapters\": [" + adapters + "]}";
}

enum class Use { Read, Restore, Apply };

class SettingsFile : public testing::Test {
protected:
    void SetUp() override
    {
        ResetProgramState();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"ktr_settings_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder.c_str(), nullptr);
        // Port 1: a narrow chip; port 2: a wide one; port 3: defaults substituted.
        adapterCount = 3;
        const std::uint8_t chips[3] = {6, 13, 3};
        for (int i = 0; i < 3; ++i) {
            AdapterRecord &r = savedRecords[i];
            r.chipType = chips[i];
            r.imageLength = kImageSize;
            FillDefaultSettings(r);
            r.image.reserved204[i] = static_cast<std::uint8_t>(0x40 + i);  // a byte that no name covers
        }
        savedRecords[2].image.adapterFlags.set(savedRecords[2].image.adapterFlags.get() | kDefaultsSubstituted);
        std::memcpy(workingRecords, savedRecords, sizeof(workingRecords));
        Hold();
        AddDeviceMap(0, 1, {0, 2, 5});
        AddDeviceMap(1, 2, {0, 1, 3, 4});
        AddDeviceMap(2, 3, {6});
    }
    void TearDown() override
    {
        for (const std::wstring &name : Listing())
            DeleteFileW((folder + L"\\" + name).c_str());
        RemoveDirectoryW(folder.c_str());
        ResetProgramState();
    }

    std::wstring Path(const wchar_t *name) const { return folder + L"\\" + name; }
    // What the adapters hold: what savedRecords hold now.
    static void Hold()
    {
        for (int i = 0; i < adapterCount; ++i)
            heldImages[i] = savedRecords[i].image;
    }
    std::vector<std::wstring> Listing() const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do
            if (found.cFileName[0] != L'.')
                names.push_back(found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }
    void Write(const wchar_t *name, const std::string &text) const
    {
        std::ofstream(Path(name).c_str(), std::ios::binary) << text;
    }
    std::string Contents(const wchar_t *name) const
    {
        std::ostringstream text;
        text << std::ifstream(Path(name).c_str(), std::ios::binary).rdbuf();
        return text.str();
    }
    // The backup of what savedRecords hold, as text.
    std::string BackupText(int port = -1)
    {
        std::vector<int> skipped;
        EXPECT_EQ(WriteBackup(Path(L"made.json").c_str(), port, true, skipped).problem, FileProblem::None);
        return Contents(L"made.json");
    }
    // Reads the text as a file and then, unless only to be read, restores or applies it.
    FileResult Run(const std::string &text, Use use, int port = -1)
    {
        Write(L"in.json", text);
        ::SettingsFile file;
        FileResult result = ReadSettingsFile(Path(L"in.json").c_str(), file);
        if (result.problem == FileProblem::None && use != Use::Read)
            result = use == Use::Restore ? RestoreBackup(file, port, false, changes) : ApplySettings(file, port, changes);
        return result;
    }

    std::wstring folder;
    std::vector<SettingChange> changes;
};

bool SameImage(const SettingsImage &a, const SettingsImage &b)
{
    return std::memcmp(&a, &b, sizeof(SettingsImage)) == 0;
}

// The rows of the device fields, or of the adapter's.
std::vector<SettingField> Rows(bool device)
{
    return device ? std::vector<SettingField>(deviceFields.begin(), deviceFields.end())
                  : std::vector<SettingField>(adapterFields.begin(), adapterFields.end());
}

struct BadInput {
    const char *name;
    std::function<std::string(const std::string &backup)> text;  // from a backup of ports 1 and 2
    Use use;  // Read: refused as it is read, before the adapters are looked at
    FileProblem problem;
    const char *field;  // the field named, or "" when none is expected
    int line;           // the line named, 0 for none, -1 for the text's last
    int exitCode;
};

}  // namespace

TEST_F(SettingsFile, EveryBadInputIsRefusedAndChangesNothing)
{
    const std::string backup = BackupText();
    const std::string dev0 = "{\"id\": 0, \"rateCode\": 48, \"rate\": \"40\", \"busWidth\": 16";
    const BadInput cases[] = {
        {"not JSON", [](const std::string &) { return "settings = 1\n"; }, Use::Read, FileProblem::NotJson, "", 1, 1},
        {"truncated", [](const std::string &b) { return b.substr(0, b.find("\"hex\"")); }, Use::Read,
         FileProblem::NotJson, "", -1, 1},
        {"empty", [](const std::string &) { return ""; }, Use::Read, FileProblem::Empty, "", 0, 1},
        {"future format", [](const std::string &b) { return Replace(b, "\"format\": 1", "\"format\": 2"); }, Use::Read,
         FileProblem::FutureFormat, "format", 0, 1},
        {"unknown key", [](const std::string &) { return Template("{\"port\": 2, \"settings\": {\"hostID\": 6}}"); },
         Use::Read, FileProblem::UnknownKey, "adapters[0].settings.hostID", 0, 1},
        {"key twice", [](const std::string &) { return Template("{\"port\": 2,\n \"port\": 1}"); }, Use::Read,
         FileProblem::BadValue, "adapters[0].port", 2, 1},
        {"key twice, deeper",
         [](const std::string &b) { return Replace(b, "\"timeout\": 10,", "\"timeout\": 10, \"timeout\": 10,"); },
         Use::Read, FileProblem::BadValue, "adapters[0].settings.devices[0].timeout", 18, 1},
        {"a key that would forge a line",
         [](const std::string &) { return Template("{\"port\": 2, \"settings\": {\"x\\nport 2: written\": 1}}"); },
         Use::Read, FileProblem::UnknownKey, "adapters[0].settings.x\\u000aport 2: written", 0, 1},
        {"a backup that names no computer",
         [](const std::string &b) { return Replace(b, "\"computer\": \"" + ThisComputer() + "\",", ""); }, Use::Read,
         FileProblem::BadValue, "computer", 0, 1},
        {"a computer's name with a control character",
         [](const std::string &b) { return Replace(b, "\"computer\": \"", "\"computer\": \"\\u0000"); }, Use::Read,
         FileProblem::BadValue, "computer", 0, 1},
        {"a template that names a computer",
         [](const std::string &) { return "{\"format\": 1, \"computer\": \"A\", \"adapters\": [{\"port\": 2}]}"; },
         Use::Read, FileProblem::BadValue, "computer", 0, 1},
        {"a backup of another computer",
         [](const std::string &b) { return Replace(b, "\"computer\": \"", "\"computer\": \"OTHER-"); }, Use::Restore,
         FileProblem::OtherComputer, "computer", 0, 2},
        {"wrong type", [](const std::string &) { return Template("{\"port\": 2, \"settings\": {\"hostId\": \"6\"}}"); },
         Use::Read, FileProblem::BadValue, "adapters[0].settings.hostId", 0, 1},
        {"duplicate port", [](const std::string &) { return Template("{\"port\": 2}, {\"port\": 2}"); }, Use::Read,
         FileProblem::DuplicatePort, "adapters[1].port", 0, 2},
        {"port without adapter", [](const std::string &b) { return Replace(b, "\"port\": 2", "\"port\": 9"); },
         Use::Restore, FileProblem::NoSuchAdapter, "adapters[1].port", 0, 2},
        {"other chip",
         [](const std::string &b) {
             return Replace(Replace(b, "\"chipCode\": 13", "\"chipCode\": 12"), "KTR-A0130", "KTR-A0120");
         },
         Use::Restore, FileProblem::OtherChip, "adapters[1].chipCode", 0, 2},
        {"template of another chip", [](const std::string &) { return Template("{\"port\": 1, \"chip\": \"KTR-A0130\"}"); },
         Use::Apply, FileProblem::OtherChip, "adapters[0].chip", 0, 2},
        {"image short",
         [](const std::string &b) {
             const std::string hex = "\"hex\": [\n          \"";
             return std::string(b).erase(b.find(hex) + hex.size(), 2);
         },
         Use::Read, FileProblem::BadImage, "adapters[0].image", 0, 2},
        {"checksum fails", [](const std::string &b) { return Replace(b, "4000000000", "4100000000"); }, Use::Read,
         FileProblem::BadImage, "adapters[0].image.crc32", 0, 2},
        {"edited backup", [](const std::string &b) { return Replace(b, "\"hostId\": 7", "\"hostId\": 6"); }, Use::Read,
         FileProblem::EditedBackup, "adapters[0].settings.hostId", 0, 2},
        {"edited device", [&](const std::string &b) { return Replace(b, dev0, "{\"id\": 0, \"rateCode\": 48, \"rate\": \"40\", \"busWidth\": 8"); },
         Use::Read, FileProblem::EditedBackup, "adapters[1].settings.devices[0].busWidth", 0, 2},
        {"host ID taken", [](const std::string &) { return Template("{\"port\": 2, \"settings\": {\"hostId\": 3}}"); },
         Use::Apply, FileProblem::Refused, "adapters[0].settings.hostId", 0, 2},
        {"second adapter refused",
         [](const std::string &) {
             return Template("{\"port\": 1, \"settings\": {\"hostId\": 6}}, {\"port\": 2, \"settings\": {\"hostId\": 3}}");
         },
         Use::Apply, FileProblem::Refused, "adapters[1].settings.hostId", 0, 2},
        {"host ID above 15", [](const std::string &) { return Template("{\"port\": 2, \"settings\": {\"hostId\": 16}}"); },
         Use::Apply, FileProblem::Refused, "adapters[0].settings.hostId", 0, 2},
        {"rate not offered at the width",
         [](const std::string &) {
             return Template("{\"port\": 2, \"settings\": {\"devices\": [{\"id\": 4, \"rateCode\": 40}]}}");
         },
         Use::Apply, FileProblem::Refused, "adapters[0].settings.devices[0].rateCode", 0, 2},
        {"rate and rate code disagree",
         [](const std::string &) {
             return Template("{\"port\": 2, \"settings\": {\"allDevices\": {\"rateCode\": 48, \"rate\": \"10\"}}}");
         },
         Use::Apply, FileProblem::Refused, "adapters[0].settings.allDevices.rate", 0, 2},
        {"rate text unknown",
         [](const std::string &) { return Template("{\"port\": 2, \"settings\": {\"allDevices\": {\"rate\": \"7\"}}}"); },
         Use::Apply, FileProblem::Refused, "adapters[0].settings.allDevices.rate", 0, 2},
        {"wide on a narrow chip",
         [](const std::string &) { return Template("{\"port\": 1, \"settings\": {\"allDevices\": {\"busWidth\": 16, \"rateCode\": 0}}}"); },
         Use::Apply, FileProblem::Refused, "adapters[0].settings.allDevices.busWidth", 0, 2},
        {"width not 8 or 16",
         [](const std::string &) {
             return Template("{\"port\": 2, \"settings\": {\"devices\": [{\"id\": 2, \"busWidth\": 32}]}}");
         },
         Use::Apply, FileProblem::Refused, "adapters[0].settings.devices[0].busWidth", 0, 2},
        {"timeout above 9999",
         [](const std::string &) {
             return Template("{\"port\": 2, \"settings\": {\"devices\": [{\"id\": 2, \"timeout\": 10000}]}}");
         },
         Use::Apply, FileProblem::Refused, "adapters[0].settings.devices[0].timeout", 0, 2},
        {"over 1 MiB", [](const std::string &) { return Template("{\"port\": 2}") + std::string(1024 * 1024, ' '); },
         Use::Read, FileProblem::TooLarge, "", 0, 1},
        {"restore a template", [](const std::string &) { return Template("{\"port\": 2}"); }, Use::Restore,
         FileProblem::NotBackup, "kind", 0, 1},
        {"apply on an invalid adapter", [](const std::string &) { return Template("{\"port\": 3}"); }, Use::Apply,
         FileProblem::InvalidAdapter, "adapters[0]", 0, 2},
    };
    for (const BadInput &c : cases) {
        SCOPED_TRACE(c.name);
        std::memcpy(workingRecords, savedRecords, sizeof(workingRecords));
        const std::string text = c.text(backup);
        EXPECT_EQ(Run(text, Use::Read).problem == FileProblem::None, c.use != Use::Read) << "it reads, to be refused later";
        const FileResult result = Run(text, c.use);
        EXPECT_EQ(result.problem, c.problem) << result.field << ": " << result.detail;
        EXPECT_EQ(result.field, c.field) << result.detail;
        const int lastLine = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        EXPECT_EQ(result.line, c.line < 0 ? lastLine : c.line) << result.detail;
        EXPECT_EQ(ExitCodeOf(result.problem), c.exitCode);
        if (c.use != Use::Read) {  // only a file that was read could change anything
            EXPECT_TRUE(changes.empty() && std::memcmp(workingRecords, savedRecords, sizeof(workingRecords)) == 0);
        }
    }
}

TEST_F(SettingsFile, ABackupThatCannotBeWrittenLeavesNoFile)
{
    std::vector<int> skipped;
    const std::wstring targets[] = {Path(L"missing\\backup.json"), Path(L"taken")};
    CreateDirectoryW(Path(L"taken").c_str(), nullptr);  // the rename onto a folder fails after the write
    for (const std::wstring &target : targets) {
        const FileResult result = WriteBackup(target.c_str(), -1, true, skipped);
        EXPECT_EQ(result.problem, FileProblem::CannotWrite);
        EXPECT_EQ(ExitCodeOf(result.problem), 1);
        EXPECT_EQ(Listing(), std::vector<std::wstring>{L"taken"}) << "no partial file is left";
    }
    RemoveDirectoryW(Path(L"taken").c_str());
    // A good backup is kept unless it is to be replaced.
    Write(L"good.json", "kept");
    EXPECT_EQ(WriteBackup(Path(L"good.json").c_str(), -1, false, skipped).problem, FileProblem::Exists);
    EXPECT_EQ(Contents(L"good.json"), "kept");
    EXPECT_EQ(Listing(), std::vector<std::wstring>{L"good.json"});
}

TEST_F(SettingsFile, BackupAndRestoreAreByteExact)
{
    // What the adapters hold, bytes that the load clears in the records included.
    for (int i = 0; i < 2; ++i) {
        const std::vector<std::uint8_t> bytes = RandomBytes(kImageSize, 22 + i);
        std::memcpy(&heldImages[i], bytes.data(), kImageSize);
        heldImages[i].adapterFlags.set(heldImages[i].adapterFlags.get() & ~kDefaultsSubstituted);
        workingRecords[i].image = heldImages[i];
        workingRecords[i].image.clearedEntries = {};
    }
    std::vector<int> skipped;
    ASSERT_EQ(WriteBackup(Path(L"backup.json").c_str(), -1, true, skipped).problem, FileProblem::None);
    EXPECT_EQ(skipped, std::vector<int>{3}) << "defaults substituted: not the adapter's own settings";
    const SettingsImage backedUp[2] = {heldImages[0], heldImages[1]};
    const std::string text = Contents(L"backup.json");
    // Right after the backup: nothing to write, though the records lack the cleared bytes.
    ASSERT_EQ(Run(text, Use::Restore).problem, FileProblem::None);
    EXPECT_TRUE(changes.empty());
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(SameImage(workingRecords[i].image, backedUp[i])) << i;
        EXPECT_EQ(workingRecords[i].modified, 0) << i;
    }
    // Adapter 0 changed since, in a named field and in a byte that no name covers; adapter 1 not at all.
    heldImages[0].hostId ^= 1;
    heldImages[0].reserved204[100] ^= 0xFF;
    ASSERT_EQ(Run(text, Use::Restore).problem, FileProblem::None);
    EXPECT_TRUE(SameImage(workingRecords[0].image, backedUp[0]));
    EXPECT_EQ(workingRecords[0].modified, 1);
    EXPECT_EQ(workingRecords[1].modified, 0) << "an image that does not change is not marked";
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].field, "hostId");
    EXPECT_EQ(changes[0].port, 1);
    EXPECT_EQ(changes[1].field, "otherBytes");
    EXPECT_EQ(changes[1].after, "1 changed");
}

TEST_F(SettingsFile, ATemplateChangesOnlyWhatItNames)
{
    const std::string text = Template(
        "{\"port\": 2, \"settings\": {\"hostId\": 6, \"diskTranslation\": \"extended\","
        " \"allDevices\": {\"busWidth\": 8, \"taggedQueuing\": false},"
        " \"devices\": [{\"id\": 3, \"timeout\": 20, \"rate\": \"10\"}, {\"id\": 5, \"busWidth\": 16}]}}");
    SettingsImage expected = workingRecords[1].image;
    expected.hostId = 6;
    expected.adapterOption.set(1);
    for (DeviceEntry &e : expected.deviceTable) {
        e.busWidth = 8;
        e.deviceFlags &= ~8;
    }
    expected.deviceTable[3].deviceValue.set(20);
    expected.deviceTable[3].syncCode.set(100);
    expected.deviceTable[5].busWidth = 16;
    const AdapterRecord untouched = workingRecords[0];
    ASSERT_EQ(Run(text, Use::Apply).problem, FileProblem::None);
    EXPECT_TRUE(SameImage(workingRecords[1].image, expected));
    EXPECT_EQ(workingRecords[1].modified, 1);
    EXPECT_EQ(std::memcmp(&workingRecords[0], &untouched, sizeof(untouched)), 0);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes[0].field, "hostId");
    EXPECT_EQ(changes[0].before + " -> " + changes[0].after, "7 -> 6");
    // The same again leaves the records as they are, but the adapter does not hold it until a save.
    const std::size_t listed = changes.size();
    workingRecords[1].modified = 0;
    ASSERT_EQ(Run(text, Use::Apply).problem, FileProblem::None);
    EXPECT_EQ(changes.size(), listed);
    EXPECT_EQ(workingRecords[1].modified, 0);
    savedRecords[1] = workingRecords[1];
    Hold();
    ASSERT_EQ(Run(text, Use::Apply).problem, FileProblem::None);
    EXPECT_TRUE(changes.empty());
}

TEST_F(SettingsFile, ADamagedAdapterIsRestoredButNotApplied)
{
    // The backup of adapter 2 from before its settings were damaged.
    savedRecords[2].image.adapterFlags.set(savedRecords[2].image.adapterFlags.get() & ~kDefaultsSubstituted);
    Hold();
    const std::string text = BackupText(3);
    const SettingsImage good = savedRecords[2].image;
    savedRecords[2].image.adapterFlags.set(good.adapterFlags.get() | kDefaultsSubstituted);
    workingRecords[2] = savedRecords[2];
    EXPECT_EQ(Run(text, Use::Apply).problem, FileProblem::InvalidAdapter);
    EXPECT_EQ(workingRecords[2].modified, 0);
    ASSERT_EQ(Run(text, Use::Restore).problem, FileProblem::None);
    EXPECT_TRUE(SameImage(workingRecords[2].image, good));
    EXPECT_EQ(workingRecords[2].modified, 1);
}

TEST_F(SettingsFile, PortChoosesOneAdapterOfTheFile)
{
    const std::string text = BackupText();
    workingRecords[0].image.hostId = 3;
    workingRecords[1].image.hostId = 3;
    ASSERT_EQ(Run(text, Use::Restore, 2).problem, FileProblem::None);
    EXPECT_EQ(workingRecords[0].image.hostId, 3) << "port 1 was not chosen";
    EXPECT_EQ(workingRecords[1].image.hostId, 7);
    EXPECT_EQ(Run(text, Use::Restore, 3).problem, FileProblem::NoSuchAdapter) << "the file has no port 3";
}

// Every number that the windows hold below what its bytes hold is refused
// one above its row's largest value, and taken at that value.
TEST_F(SettingsFile, EveryNumberIsKeptToItsRowsRange)
{
    auto settings = [](const SettingField &field, bool device, long value) {
        const std::string named = "\"" + std::string(field.key) + "\": " + std::to_string(value);
        return Template("{\"port\": 2, \"settings\": {" +
                        (device ? "\"devices\": [{\"id\": 5, " + named + "}]" : named) + "}}");
    };
    for (bool device : {false, true})
        for (const SettingField &field : Rows(device)) {
            if (field.kind != FieldKind::Number || field.allowed == field.high)
                continue;
            const FileResult above = Run(settings(field, device, field.allowed + 1), Use::Apply);
            EXPECT_EQ(above.problem, FileProblem::Refused) << field.key;
            EXPECT_EQ(above.value, std::to_string(field.allowed + 1)) << field.key;
            EXPECT_EQ(Run(settings(field, device, field.allowed), Use::Apply).problem, FileProblem::None) << field.key;
        }
}

// The rows' English words are the English module's, and show and the
// change lists use them.
TEST_F(SettingsFile, NamedSettingsUseTheEnglishModulesWords)
{
    LoadLanguage();
    for (bool device : {false, true})
        for (const SettingField &field : Rows(device))
            if (field.shownOn) {
                EXPECT_EQ(field.shownOn, Utf8(ModuleText(field.onText))) << field.key;
                EXPECT_EQ(field.shownOff, Utf8(ModuleText(field.offText))) << field.key;
            }
    savedRecords[1].image.deviceTable[2].syncCode.set(0);
    const auto named = NamedSettings(1);
    ASSERT_EQ(named.size(), adapterFields.size() + 16u * deviceFields.size());
    auto value = [&](const std::string &field) {
        for (const auto &n : named)
            if (n.first == field)
                return n.second;
        return std::string("?");
    };
    EXPECT_EQ(value("devices[2].rate"), Utf8(ModuleText(IDS_WORD_OFF)));
    EXPECT_EQ(value("devices[3].rate"), "40");
}

// The document's tables of settings name every row's key, and only those.
TEST_F(SettingsFile, TheDocumentNamesEveryRow)
{
    const std::vector<std::string> doc = SourceLines(L"docs\\settings-file.md");
    ASSERT_FALSE(doc.empty());
    std::vector<std::string> documented, rows = {"devices", "allDevices", "id"};
    for (bool device : {false, true})
        for (const SettingField &field : Rows(device))
            rows.push_back(field.key);
    bool inTable = false;
    for (const std::string &line : doc) {
        if (line.rfind("| key | English row |", 0) == 0)
            inTable = true;
        else if (line.empty() || line[0] != '|')
            inTable = false;
        else if (inTable && line.rfind("| `", 0) == 0)
            documented.push_back(line.substr(3, line.find('`', 3) - 3));
    }
    std::sort(documented.begin(), documented.end());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(documented, rows);
}

// The examples of docs/settings-file.md are files that the program takes.
TEST_F(SettingsFile, TheDocumentsExamplesAreRead)
{
    std::vector<std::string> blocks;
    std::string block;
    bool inside = false;
    for (const std::string &line : SourceLines(L"docs\\settings-file.md")) {
        if (line == "```json" || (inside && line == "```")) {
            if (inside)
                blocks.push_back(block);
            inside = !inside;
            block.clear();
        } else if (inside) {
            block += line + "\n";
        }
    }
    ASSERT_GE(blocks.size(), 2u);
    for (const std::string &text : blocks) {
        Write(L"example.json", text);
        ::SettingsFile file;
        const FileResult result = ReadSettingsFile(Path(L"example.json").c_str(), file);
        EXPECT_EQ(result.problem, FileProblem::None) << result.field << " " << result.detail << "\n" << text;
    }
}

}  // namespace settings_tests
