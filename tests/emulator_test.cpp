// The adapter emulator seen from an ordinary program: the device map that it
// writes, the settings requests that it answers, the faults that it injects,
// and its strictness with malformed requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "emulator/bench_format.h"
#include "tests/emulator_support.h"

namespace {

const wchar_t kMap[] = L"HARDWARE\\DEVICEMAP\\Scsi\\";

bool KeyExists(const std::wstring &path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kMap + path).c_str(), 0, KEY_READ, &key))
        return false;
    RegCloseKey(key);
    return true;
}

// Type and bytes of a value below the device map; type REG_NONE and no bytes when missing.
std::pair<DWORD, std::vector<BYTE>> Value(const std::wstring &path, const wchar_t *name)
{
    HKEY key;
    std::pair<DWORD, std::vector<BYTE>> v{REG_NONE, {}};
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kMap + path).c_str(), 0, KEY_READ, &key))
        return v;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &v.first, nullptr, &size) == ERROR_SUCCESS) {
        v.second.resize(size);
        RegQueryValueExW(key, name, nullptr, &v.first, v.second.data(), &size);
    } else {
        v.first = REG_NONE;
    }
    RegCloseKey(key);
    return v;
}

std::wstring Text(const std::wstring &path, const wchar_t *name)
{
    auto v = Value(path, name);
    std::wstring s(reinterpret_cast<const wchar_t *>(v.second.data()), v.second.size() / 2);
    while (!s.empty() && s.back() == 0)
        s.pop_back();
    return s;
}

DWORD Dword(const std::wstring &path, const wchar_t *name)
{
    auto v = Value(path, name);
    DWORD d = 0;
    if (v.second.size() == 4)
        std::copy(v.second.begin(), v.second.end(), reinterpret_cast<BYTE *>(&d));
    return d;
}

int SubkeyCount(const std::wstring &path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kMap + path).c_str(), 0, KEY_READ, &key))
        return -1;
    DWORD count = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return static_cast<int>(count);
}

std::vector<std::uint8_t> ReadRequest()
{
    return MakeRequest("R400", 1260, 1288);
}

}  // namespace

TEST(Emulator, WritesTheDeviceMapAsConfiguredAwkwardShapesIncluded)
{
    std::string bench =
        "port 2 driver ktrscsi irq 11 io 0x3F0\n"
        "  adapter chip 6\n"
        "  buskey \"Initiator Id 7\"\n"
        "  unit 0 0 \"NORTHDISK ND-4550S      2.03\"\n"
        "  unit 3 1 \"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\" type SequentialPeripheral\n"
        "  unit 4 0 noidentifier notype\n"
        "port 5 nodriver noirq noio\n"
        "port 6 driver verylongdriver nobus\n"
        "port 7 key \"Scsi Port 12\" driver KTRWIDE\n"
        "value \"Scsi Port 7\" \"Odd\" raw 4 1 2\n"
        "key \"Scsi Port 5\\Scsi Bus 0\\Target Id 9\\Deep\\Deeper\"\n";
    for (int p = 20; p < 60; ++p)  // more ports than the program keeps
        bench += "port " + std::to_string(p) + " driver ktrfast\n";
    bench += "port 60 driver ktrscsi\n";
    for (int u = 0; u < 40; ++u)   // more units than a port has slots
        bench += "  unit " + std::to_string(u % 16) + " " + std::to_string(u / 16) + " \"UNIT\"\n";
    ASSERT_EQ(InstallTestBench(bench), "");

    EXPECT_EQ(Text(L"Scsi Port 2", L"Driver"), L"ktrscsi");
    EXPECT_EQ(Dword(L"Scsi Port 2", L"Interrupt"), 11u);
    EXPECT_EQ(Dword(L"Scsi Port 2", L"IOAddress"), 0x3F0u);
    EXPECT_TRUE(KeyExists(L"Scsi Port 2\\Scsi Bus 0\\Initiator Id 7"));
    EXPECT_EQ(Text(L"Scsi Port 2\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 0", L"Identifier"),
              L"NORTHDISK ND-4550S      2.03");
    EXPECT_EQ(Text(L"Scsi Port 2\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 0", L"Type"), L"DiskPeripheral");
    EXPECT_EQ(Text(L"Scsi Port 2\\Scsi Bus 0\\Target Id 3\\Logical Unit Id 1", L"Identifier").size(), 36u);
    EXPECT_EQ(Text(L"Scsi Port 2\\Scsi Bus 0\\Target Id 3\\Logical Unit Id 1", L"Type"), L"SequentialPeripheral");
    EXPECT_TRUE(KeyExists(L"Scsi Port 2\\Scsi Bus 0\\Target Id 4\\Logical Unit Id 0"));
    EXPECT_EQ(Value(L"Scsi Port 2\\Scsi Bus 0\\Target Id 4\\Logical Unit Id 0", L"Identifier").first,
              static_cast<DWORD>(REG_NONE));

    EXPECT_TRUE(KeyExists(L"Scsi Port 5"));
    EXPECT_EQ(Value(L"Scsi Port 5", L"Driver").first, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(Value(L"Scsi Port 5", L"Interrupt").first, static_cast<DWORD>(REG_NONE));
    EXPECT_TRUE(KeyExists(L"Scsi Port 5\\Scsi Bus 0\\Target Id 9\\Deep\\Deeper"));
    EXPECT_EQ(Text(L"Scsi Port 6", L"Driver"), L"verylongdriver");
    EXPECT_FALSE(KeyExists(L"Scsi Port 6\\Scsi Bus 0"));
    EXPECT_EQ(Text(L"Scsi Port 12", L"Driver"), L"KTRWIDE");
    EXPECT_TRUE(KeyExists(L"Scsi Port 7"));  // made by the raw value alone
    EXPECT_EQ(Value(L"Scsi Port 7", L"Odd").first, 4u);
    EXPECT_EQ(Value(L"Scsi Port 7", L"Odd").second.size(), 2u);
    EXPECT_EQ(SubkeyCount(L""), 4 + 40 + 1 + 1);
    EXPECT_EQ(SubkeyCount(L"Scsi Port 60\\Scsi Bus 0"), 16);
    EXPECT_EQ(SubkeyCount(L"Scsi Port 60\\Scsi Bus 0\\Target Id 0"), 3);
}

TEST(Emulator, ReinstallingReplacesTheWholeDeviceMap)
{
    ASSERT_EQ(InstallTestBench("port 9 driver ktrscsi\nport 10 driver other\n"), "");
    ASSERT_EQ(InstallTestBench("port 3 driver ktrfast\n  adapter chip 3\n"), "");
    EXPECT_EQ(SubkeyCount(L""), 1);
    EXPECT_TRUE(KeyExists(L"Scsi Port 3"));
    std::vector<std::uint8_t> r = ReadRequest();
    EXPECT_FALSE(SendRequest(9, r, 1288, 1288).opened);
}

TEST(Emulator, ReadReturnsTheStoredImageWithStatusAndLength)
{
    ASSERT_EQ(InstallTestBench("port 2 driver ktrscsi\n  adapter chip 6 status 0x0601\n  image random 7\n"
                               "port 255 driver ktrwide\n  adapter chip 13 length 1000\n  image random 8\n"
                               "port 0 driver ktrfast\n  adapter chip 3 status 0x0310\n"),
              "");
    std::vector<std::uint8_t> stored;
    ASSERT_TRUE(ReadStoredImage(2, stored));
    std::vector<std::uint8_t> r = ReadRequest();
    RequestResult result = SendRequest(2, r, 1288, 1288);
    ASSERT_TRUE(result.opened);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(RequestField(r, 20), 0x0601u);
    EXPECT_EQ(RequestField(r, 24), 1260u);
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), r.begin() + 28));
    EXPECT_EQ(RequestField(r, 0), 28u);  // the header comes back as it went

    r = ReadRequest();
    ASSERT_TRUE(SendRequest(255, r, 1288, 1288).ok);
    EXPECT_EQ(RequestField(r, 20), 0x0D00u);
    EXPECT_EQ(RequestField(r, 24), 1000u);
    r = ReadRequest();
    ASSERT_TRUE(SendRequest(0, r, 1288, 1288).ok);
    EXPECT_EQ(RequestField(r, 20), 0x0310u);

    // Status and length can change while the emulator runs.
    ASSERT_TRUE(SetPortParameter(L"Status", 2, 0x0602));
    ASSERT_TRUE(SetPortParameter(L"Length", 2, 2000));
    r = ReadRequest();
    ASSERT_TRUE(SendRequest(2, r, 1288, 1288).ok);
    EXPECT_EQ(RequestField(r, 20), 0x0602u);
    EXPECT_EQ(RequestField(r, 24), 2000u);

    PortCounts counts = ReadPortCounts(2);
    EXPECT_EQ(counts.reads, 2u);
    EXPECT_EQ(counts.opens, 2u);
    EXPECT_EQ(counts.writes, 0u);
    ASSERT_EQ(counts.lastHeader.size(), 28u);
    EXPECT_EQ(counts.lastHeader[4], 'R');
    EXPECT_EQ(counts.lastInput, 1288u);
}

TEST(Emulator, WriteStoresTheFirstLengthBytes)
{
    ASSERT_EQ(InstallTestBench("port 4 driver ktrscsi\n  adapter chip 1\n  image random 3\n"), "");
    std::vector<std::uint8_t> before;
    ASSERT_TRUE(ReadStoredImage(4, before));
    std::vector<std::uint8_t> image = RandomBytes(1260, 99);

    std::vector<std::uint8_t> w = MakeRequest("W400", 100, 1288);
    std::copy(image.begin(), image.end(), w.begin() + 28);
    ASSERT_TRUE(SendRequest(4, w, 128, 128).ok);
    std::vector<std::uint8_t> after;
    ASSERT_TRUE(ReadStoredImage(4, after));
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 100, after.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 100, before.end(), after.begin() + 100));

    w = MakeRequest("W400", 1260, 1288);
    std::copy(image.begin(), image.end(), w.begin() + 28);
    ASSERT_TRUE(SendRequest(4, w, 1288, 1288).ok);
    ASSERT_TRUE(ReadStoredImage(4, after));
    EXPECT_EQ(after, image);

    w = MakeRequest("W400", 0, 28);  // a header alone stores nothing
    ASSERT_TRUE(SendRequest(4, w, 28, 28).ok);
    ASSERT_TRUE(ReadStoredImage(4, after));
    EXPECT_EQ(after, image);

    std::vector<std::uint8_t> r = ReadRequest();
    ASSERT_TRUE(SendRequest(4, r, 1288, 1288).ok);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), r.begin() + 28));
    EXPECT_EQ(ReadPortCounts(4).writes, 3u);
}

TEST(Emulator, InjectsEveryFault)
{
    ASSERT_EQ(InstallTestBench("port 1 driver ktrscsi\n  adapter chip 1 faults nodevice\n"
                               "port 2 driver ktrscsi\n  adapter chip 1 faults openfails\n"
                               "port 3 driver ktrscsi\n  adapter chip 1 faults readfails\n"
                               "port 4 driver ktrscsi\n  adapter chip 1 faults writefails\n  image random 5\n"),
              "");
    std::vector<std::uint8_t> r = ReadRequest();
    RequestResult result = SendRequest(1, r, 1288, 1288);
    EXPECT_FALSE(result.opened);
    EXPECT_EQ(result.openError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(SendRequest(2, r, 1288, 1288).opened);
    result = SendRequest(3, r, 1288, 1288);
    EXPECT_TRUE(result.opened);
    EXPECT_FALSE(result.ok);

    std::vector<std::uint8_t> before, after;
    ASSERT_TRUE(ReadStoredImage(4, before));
    std::vector<std::uint8_t> w = MakeRequest("W400", 1260, 1288);
    result = SendRequest(4, w, 1288, 1288);
    EXPECT_TRUE(result.opened);
    EXPECT_FALSE(result.ok);
    ASSERT_TRUE(ReadStoredImage(4, after));
    EXPECT_EQ(before, after);
    r = ReadRequest();
    EXPECT_TRUE(SendRequest(4, r, 1288, 1288).ok) << "reads still work";

    // Read and write faults are read again at every request: clearing one takes effect at once.
    std::string error;
    ASSERT_TRUE(SetPortFaults(4, 0, error));
    ASSERT_TRUE(SetPortFaults(3, KTREMU_FAULT_WRITE_FAILS, error));
    EXPECT_TRUE(SendRequest(4, w, 1288, 1288).ok);
    r = ReadRequest();
    EXPECT_TRUE(SendRequest(3, r, 1288, 1288).ok);
    EXPECT_FALSE(SendRequest(3, w, 1288, 1288).ok);
    // An open fault changes with a restart of the emulator, which SetPortFaults does.
    ASSERT_TRUE(SetPortFaults(2, 0, error)) << error;
    EXPECT_TRUE(SendRequest(2, r, 1288, 1288).ok);
    ASSERT_TRUE(SetPortFaults(4, KTREMU_FAULT_OPEN_FAILS, error)) << error;
    EXPECT_FALSE(SendRequest(4, r, 1288, 1288).opened);
}

TEST(Emulator, RejectsAndCountsMalformedRequests)
{
    ASSERT_EQ(InstallTestBench("port 2 driver ktrscsi\n  adapter chip 6\n  image random 11\n"), "");
    std::vector<std::uint8_t> stored;
    ASSERT_TRUE(ReadStoredImage(2, stored));
    struct Case {
        const char *what;
        std::vector<std::uint8_t> buffer;
        DWORD in, out, code;
    };
    std::vector<Case> cases = {
        {"header length 27", MakeRequest("R400", 1260, 1288, 27), 1288, 1288, 0x4D008},
        {"wrong control code", MakeRequest("R400", 1260, 1288, 28, 0x804E5644), 1288, 1288, 0x4D008},
        {"unknown signature", MakeRequest("X400", 1260, 1288), 1288, 1288, 0x4D008},
        {"signature without its zero byte", MakeRequest("R4000", 1260, 1288), 1288, 1288, 0x4D008},
        {"read of a short buffer", MakeRequest("R400", 1260, 1288), 1288, 1000, 0x4D008},
        {"read stating 1261 bytes", MakeRequest("R400", 1261, 1289), 1289, 1289, 0x4D008},
        {"write longer than its buffer", MakeRequest("W400", 1260, 1288), 600, 600, 0x4D008},
        {"write longer than the image", MakeRequest("W400", 1300, 1400), 1400, 1400, 0x4D008},
        {"huge length", MakeRequest("W400", 0xFFFFFFF0u, 1288), 1288, 1288, 0x4D008},
        {"header cut short", MakeRequest("R400", 1260, 1288), 20, 20, 0x4D008},
        {"no buffer", {}, 0, 0, 0x4D008},
        {"another control code", MakeRequest("R400", 1260, 1288), 1288, 1288, 0x4D004},
    };
    DWORD rejected = 0;
    for (Case &c : cases) {
        RequestResult result = SendRequest(2, c.buffer, c.in, c.out, c.code);
        ASSERT_TRUE(result.opened) << c.what;
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(ReadPortCounts(2).rejected, ++rejected) << c.what;
    }
    PortCounts counts = ReadPortCounts(2);
    EXPECT_EQ(counts.reads, 0u);
    EXPECT_EQ(counts.writes, 0u);
    std::vector<std::uint8_t> after;
    ASSERT_TRUE(ReadStoredImage(2, after));
    EXPECT_EQ(after, stored);
}

TEST(Emulator, SurvivesGarbage)
{
    ASSERT_EQ(InstallTestBench("port 2 driver ktrscsi\n  adapter chip 6\n  image random 12\n"), "");
    std::vector<std::uint8_t> stored;
    ASSERT_TRUE(ReadStoredImage(2, stored));
    std::mt19937 gen(2024);
    for (int i = 0; i < 1500; ++i) {
        const std::size_t size = gen() % 4097;
        std::vector<std::uint8_t> buffer = RandomBytes(size, static_cast<unsigned>(i));
        if (size >= 28 && i % 2) {  // half of them look almost right
            std::vector<std::uint8_t> header = MakeRequest(i % 4 == 1 ? "R400" : "W400", gen(), 28);
            std::copy(header.begin(), header.begin() + (i % 8 < 4 ? 28 : 24), buffer.begin());
        }
        const DWORD in = static_cast<DWORD>(size ? gen() % (size + 1) : 0);
        const DWORD out = static_cast<DWORD>(size ? gen() % (size + 1) : 0);
        SendRequest(2, buffer, in, out);
    }
    std::vector<std::uint8_t> r = ReadRequest();
    ASSERT_TRUE(SendRequest(2, r, 1288, 1288).ok) << "the emulator still answers";
    EXPECT_GT(ReadPortCounts(2).rejected, 1000u);
}

// Run by tests/emulator_restart.sh around a restart of Wine; not on their own.
TEST(EmulatorRestart, DISABLED_WriteMarker)
{
    ASSERT_EQ(InstallTestBench("port 7 driver ktrwide irq 3\n  adapter chip 13\n  image zero\n"), "");
    std::vector<std::uint8_t> w = MakeRequest("W400", 1260, 1288);
    std::vector<std::uint8_t> marker = RandomBytes(1260, 4242);
    std::copy(marker.begin(), marker.end(), w.begin() + 28);
    ASSERT_TRUE(SendRequest(7, w, 1288, 1288).ok);
}

TEST(EmulatorRestart, DISABLED_MarkerSurvives)
{
    EXPECT_EQ(Dword(L"Scsi Port 7", L"Interrupt"), 3u) << "the device map is written at every Wine start";
    std::vector<std::uint8_t> r = ReadRequest();
    ASSERT_TRUE(SendRequest(7, r, 1288, 1288).ok);
    std::vector<std::uint8_t> marker = RandomBytes(1260, 4242);
    EXPECT_TRUE(std::equal(marker.begin(), marker.end(), r.begin() + 28));
    EXPECT_EQ(ReadPortCounts(7).reads, 1u) << "counts start again with the driver";
}
