// Loading and saving the adapters' settings through the emulated driver:
// the request bytes, the status word, the returned lengths, failed reads and
// writes, and the image round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/shell.h"
#include "discovery/device_map.h"
#include "language/resource_ids.h"
#include "store/settings_transport.h"
#include "tests/emulator_support.h"
#include "tests/program_support.h"

namespace {

class Transport : public testing::Test {
protected:
    void SetUp() override
    {
        LoadLanguage();
        ResetProgramState();
    }
    void TearDown() override { ResetProgramState(); }

    // Installs the bench and loads it as the main window does.
    int Load(const std::string &bench)
    {
        EXPECT_EQ(InstallTestBench(bench), "");
        int result = LoadAllAdapterSettings(&adapterCount);
        for (int i = 0; i < adapterCount; ++i)
            workingRecords[i] = savedRecords[i];
        return result;
    }
    int AdapterOfPort(int port)
    {
        for (int i = 0; i < adapterCount; ++i)
            if (deviceMaps[i]->portNumber == port)
                return i;
        ADD_FAILURE() << "no adapter on port " << port;
        return 0;
    }
    MessageBoxWatcher boxes;
};

std::vector<std::uint8_t> Bytes(const SettingsImage &image)
{
    const auto *p = reinterpret_cast<const std::uint8_t *>(&image);
    return std::vector<std::uint8_t>(p, p + kImageSize);
}

// The bytes of an image that the load zeroes: 0..7 and 10..13 of each cleared entry.
bool ClearedByLoad(size_t at)
{
    return at >= 20 && at < 76 && (at - 20) % 14 != 8 && (at - 20) % 14 != 9;
}

}  // namespace

TEST_F(Transport, RequestsCarryExactlyTheHeaderTheDriverExpects)
{
    ASSERT_EQ(Load("port 0 driver ktrscsi\n  adapter chip 1\n"
                   "port 255 driver ktrwide\n  adapter chip 13 length 1000\n"),
              1);
    ASSERT_EQ(adapterCount, 2);
    EXPECT_TRUE(boxes.boxes.empty());
    for (int port : {0, 255}) {
        PortCounts c = ReadPortCounts(port);
        EXPECT_EQ(c.reads, 1u) << port;
        EXPECT_EQ(c.opens, 1u) << port;
        EXPECT_EQ(c.lastInput, 1288u);
        EXPECT_EQ(c.lastOutput, 1288u);
        const std::vector<std::uint8_t> expected = {28, 0, 0, 0, 'R', '4', '0', '0', 0, 0, 0, 0, 2, 0,
                                                    0,  0, 0x43, 0x56, 0x4E, 0x80, 0, 0, 0, 0, 0xEC, 4, 0, 0};
        EXPECT_EQ(c.lastHeader, expected) << port;
    }
    const int wide = AdapterOfPort(255);
    EXPECT_EQ(savedRecords[wide].imageLength, 1000u);

    workingRecords[wide].modified = 1;
    EXPECT_EQ(SaveAllAdapterSettings(), 0u);
    PortCounts c = ReadPortCounts(255);
    EXPECT_EQ(c.writes, 1u);
    EXPECT_EQ(c.lastInput, 1028u);
    EXPECT_EQ(c.lastOutput, 1028u);
    const std::vector<std::uint8_t> expected = {28, 0, 0, 0, 'W', '4', '0', '0', 0, 0, 0, 0, 2, 0,
                                                0,  0, 0x43, 0x56, 0x4E, 0x80, 0, 0, 0, 0, 0xE8, 3, 0, 0};
    EXPECT_EQ(c.lastHeader, expected);
    EXPECT_EQ(ReadPortCounts(0).writes, 0u);
}

TEST_F(Transport, StatusWordDecidesBetweenImageDefaultsAndNothing)
{
    ASSERT_EQ(Load("port 1 driver ktrscsi\n  adapter chip 3 status 0x0300\n  image random 1\n"
                   "port 2 driver ktrscsi\n  adapter chip 6 status 0x0601\n  image random 2\n"
                   "port 3 driver ktrscsi\n  adapter chip 13 status 0x0D12\n  image random 3\n"
                   "port 4 driver ktrscsi\n  adapter chip 3 status 0x0310\n  image random 4\n"
                   "port 5 driver ktrscsi\n  adapter chip 3 status 0x0303\n  image random 5\n"),
              1);
    EXPECT_TRUE(boxes.boxes.empty()) << "no status has a message";

    const AdapterRecord &valid = savedRecords[AdapterOfPort(1)];
    EXPECT_EQ(valid.chipType, 3);
    std::vector<std::uint8_t> stored;
    ASSERT_TRUE(ReadStoredImage(1, stored));
    std::vector<std::uint8_t> loaded = Bytes(valid.image);
    for (size_t at = 0; at < kImageSize; ++at) {
        if (ClearedByLoad(at)) {
            EXPECT_EQ(loaded[at], 0) << at;
        } else {
            ASSERT_EQ(loaded[at], stored[at]) << at;
        }
    }

    const AdapterRecord &chip6 = savedRecords[AdapterOfPort(2)];
    EXPECT_EQ(chip6.chipType, 6);
    EXPECT_EQ(chip6.image.adapterFlags.get(), 0x000F);
    EXPECT_EQ(chip6.image.deviceTable[0].busWidth, 8);
    EXPECT_EQ(chip6.image.deviceTable[15].syncCode.get(), 48);
    EXPECT_EQ(chip6.image.reserved204[0], 0) << "the reply's image is not used";

    const AdapterRecord &chip13 = savedRecords[AdapterOfPort(3)];
    EXPECT_EQ(chip13.chipType, 13);
    EXPECT_EQ(chip13.image.adapterFlags.get(), 0x000F);
    EXPECT_EQ(chip13.image.deviceTable[3].syncCode.get(), 48);

    for (int port : {4, 5}) {
        const AdapterRecord &r = savedRecords[AdapterOfPort(port)];
        EXPECT_EQ(r.chipType, 0) << port;
        EXPECT_EQ(r.imageLength, 1260u) << port;
        EXPECT_EQ(Bytes(r.image), std::vector<std::uint8_t>(kImageSize, 0)) << port;
    }
}

TEST_F(Transport, ReturnedLengthSetsTheLengthOfEveryWrite)
{
    ASSERT_EQ(Load("port 1 driver ktrscsi\n  adapter chip 3 length 0\n  image random 1\n"
                   "port 2 driver ktrscsi\n  adapter chip 3 length 1000\n  image random 2\n"
                   "port 3 driver ktrscsi\n  adapter chip 3 length 1260\n  image random 3\n"
                   "port 4 driver ktrscsi\n  adapter chip 3 length 2000\n  image random 4\n"),
              1);
    const std::pair<int, std::uint32_t> cases[] = {{1, 0}, {2, 1000}, {3, 1260}, {4, 2000}};
    for (auto [port, length] : cases) {
        const int i = AdapterOfPort(port);
        EXPECT_EQ(savedRecords[i].imageLength, length);
        EXPECT_EQ(savedRecords[i].chipType, 3) << "1260 image bytes are taken whatever the length";
        workingRecords[i].modified = 1;
        workingRecords[i].image.reserved204[1100 - offsetof(SettingsImage, reserved204)] ^= 0xFF;
    }
    EXPECT_EQ(SaveAllAdapterSettings(), 0u);
    const std::pair<int, std::uint32_t> sent[] = {{1, 28}, {2, 1028}, {3, 1288}, {4, 1288}};
    for (auto [port, bytes] : sent) {
        PortCounts c = ReadPortCounts(port);
        EXPECT_EQ(c.writes, 1u) << port;
        EXPECT_EQ(c.rejected, 0u) << port;
        EXPECT_EQ(c.lastInput, bytes) << port;
        EXPECT_EQ(RequestField(c.lastHeader, 24), bytes - 28) << port;
        workingRecords[AdapterOfPort(port)].modified = 1;
    }
    // What was held after the write is what the adapter holds: no other program changed it.
    std::uint32_t elsewhere = ~0u;
    EXPECT_EQ(SaveAllAdapterSettings(&elsewhere), 0u);
    EXPECT_EQ(elsewhere, 0u);
}

TEST_F(Transport, AFailedReadWarnsOnceAndTheOthersLoad)
{
    ASSERT_EQ(Load("port 1 driver ktrscsi\n  adapter chip 1\n"
                   "port 2 driver ktrscsi\n  adapter chip 6 faults readfails\n"
                   "port 3 driver ktrscsi\n  adapter chip 13\n"),
              1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, ModuleText(IDS_READ_FAILED));
    EXPECT_EQ(boxes.boxes[0].icon, LoadIconW(nullptr, IDI_WARNING));
    EXPECT_EQ(savedRecords[AdapterOfPort(1)].chipType, 1);
    EXPECT_EQ(savedRecords[AdapterOfPort(2)].chipType, 0);
    EXPECT_EQ(savedRecords[AdapterOfPort(3)].chipType, 13);

    // A device that cannot be opened counts as a failed read too.
    ResetProgramState();
    boxes.boxes.clear();
    ASSERT_EQ(Load("port 1 driver ktrscsi\n  adapter chip 1 faults nodevice\n"
                   "port 2 driver ktrscsi\n  adapter chip 6 faults openfails\n"),
              1);
    EXPECT_EQ(boxes.boxes.size(), 2u);
}

TEST_F(Transport, NoAdapterSaysSo)
{
    EXPECT_EQ(Load("port 0 driver atapi\n"), 0);
    EXPECT_EQ(adapterCount, 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, ModuleText(IDS_NO_ADAPTER));
}

TEST_F(Transport, SaveWritesExactlyTheModifiedAdaptersAndReportsFailures)
{
    ASSERT_EQ(Load("port 1 driver ktrscsi\n  adapter chip 1\n"
                   "port 2 driver ktrscsi\n  adapter chip 6\n"
                   "port 3 driver ktrscsi\n  adapter chip 13\n"),
              1);
    const int a1 = AdapterOfPort(1), a3 = AdapterOfPort(3);
    workingRecords[a1].modified = 1;
    workingRecords[a1].image.hostId = 5;
    workingRecords[a3].modified = 1;
    EXPECT_EQ(SaveAllAdapterSettings(), 0u);
    EXPECT_EQ(savedRecords[a1].image.hostId, 5) << "the working record is committed";
    EXPECT_EQ(SaveAllAdapterSettings(), 0u) << "a second save writes the same adapters again";
    EXPECT_EQ(ReadPortCounts(1).writes, 2u);
    EXPECT_EQ(ReadPortCounts(2).writes, 0u);
    EXPECT_EQ(ReadPortCounts(3).writes, 2u);
    std::vector<std::uint8_t> stored;
    ASSERT_TRUE(ReadStoredImage(1, stored));
    EXPECT_EQ(stored[14], 5);

    std::string error;
    ASSERT_TRUE(SetPortFaults(3, 0x08, error));
    EXPECT_EQ(SaveAllAdapterSettings(), 1u << a3);
    EXPECT_EQ(ReadPortCounts(1).writes, 3u) << "the other adapters are still written";
    ASSERT_TRUE(SetPortFaults(3, 0, error));
    EXPECT_EQ(SaveAllAdapterSettings(), 0u);
    EXPECT_EQ(ReadPortCounts(3).writes, 3u);
    // Each write is preceded by a read that finds the adapter as it was left.
    EXPECT_EQ(ReadPortCounts(1).reads, 1u + 4u);
    EXPECT_EQ(ReadPortCounts(2).reads, 1u) << "an adapter not written is not read again";
    EXPECT_EQ(ReadPortCounts(3).reads, 1u + 4u);
}

TEST_F(Transport, EveryUnnamedByteLeavesAsItCame)
{
    for (unsigned seed = 1; seed <= 3; ++seed) {
        ResetProgramState();
        const std::string s = std::to_string(seed);
        ASSERT_EQ(Load("port 1 driver ktrscsi\n  adapter chip 3\n  image random " + s + "1\n"
                       "port 2 driver ktrscsi\n  adapter chip 13\n  image random " + s + "2\n"),
                  1);
        std::vector<std::uint8_t> before[2];
        ASSERT_TRUE(ReadStoredImage(1, before[0]));
        ASSERT_TRUE(ReadStoredImage(2, before[1]));
        for (int i = 0; i < adapterCount; ++i)
            workingRecords[i].modified = 1;
        ASSERT_EQ(SaveAllAdapterSettings(), 0u);
        for (int port : {1, 2}) {
            std::vector<std::uint8_t> after;
            ASSERT_TRUE(ReadStoredImage(port, after));
            for (size_t at = 0; at < kImageSize; ++at) {
                std::uint8_t expected = ClearedByLoad(at) ? 0 : before[port - 1][at];
                if (at == 6)
                    expected &= 0xF7;  // the mark of substituted defaults never reaches an adapter
                ASSERT_EQ(after[at], expected) << "port " << port << " byte " << at;
            }
        }
    }
}

TEST_F(Transport, TheDefaultsMarkNeverLeavesAndAFailedWriteKeepsWhatWasSaved)
{
    ASSERT_EQ(Load("port 1 driver ktrscsi\n  adapter chip 6 status 0x0601\n"), 1);
    ASSERT_EQ(savedRecords[0].image.adapterFlags.get(), 0x000F);
    auto storedFlags = [] {
        std::vector<std::uint8_t> stored;
        return ReadStoredImage(1, stored) ? stored[6] | stored[7] << 8 : -1;
    };

    // Defaults pressed and cancelled: the record is marked, its image still carries the mark.
    workingRecords[0].modified = 1;
    ASSERT_EQ(SaveAllAdapterSettings(), 0u);
    EXPECT_EQ(storedFlags(), 0x0007) << "the adapter never gets the mark of substituted defaults";
    EXPECT_EQ(savedRecords[0].image.adapterFlags.get(), 0x000F) << "the record keeps it until Defaults and OK";

    // Defaults and OK, then a save whose write fails.
    workingRecords[0].image.adapterFlags.set(0x0007);
    workingRecords[0].image.hostId = 3;
    const AdapterRecord before = savedRecords[0];
    std::string error;
    ASSERT_TRUE(SetPortFaults(1, 0x08, error));
    EXPECT_EQ(SaveAllAdapterSettings(), 1u);
    EXPECT_EQ(std::memcmp(&savedRecords[0], &before, sizeof(AdapterRecord)), 0) << "nothing new reached the adapter";
    EXPECT_EQ(workingRecords[0].modified, 1) << "a retry still writes";
    ASSERT_TRUE(SetPortFaults(1, 0, error));
    EXPECT_EQ(SaveAllAdapterSettings(), 0u);
    EXPECT_EQ(savedRecords[0].image.adapterFlags.get(), 0x0007);
    EXPECT_EQ(savedRecords[0].image.hostId, 3);
}
