// The device map walk against device maps that the emulator writes.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/shell.h"
#include "discovery/device_map.h"
#include "language/module_file.h"
#include "language/resource_ids.h"
#include "tests/emulator_support.h"
#include "tests/program_support.h"

namespace {

// A REG_SZ value of the text's characters with no terminator.
std::string UnterminatedText(const std::string &path, const std::string &name, const std::string &text)
{
    std::string line = "value \"" + path + "\" \"" + name + "\" raw 1";
    for (char ch : text)
        line += " " + std::to_string(static_cast<unsigned char>(ch)) + " 0";
    return line + "\n";
}

// Port key names as the platform enumerates them, of the family's ports only.
std::vector<std::wstring> EnumeratedPortKeys(const std::vector<std::wstring> &familyKeys)
{
    std::vector<std::wstring> order;
    HKEY root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\Scsi", 0, KEY_READ, &root))
        return order;
    wchar_t name[64];
    for (DWORD i = 0;; ++i) {
        DWORD length = 64;
        if (RegEnumKeyExW(root, i, name, &length, nullptr, nullptr, nullptr, nullptr))
            break;
        for (const std::wstring &k : familyKeys)
            if (k == name)
                order.push_back(name);
    }
    RegCloseKey(root);
    return order;
}

class DeviceMapWalk : public testing::Test {
protected:
    void SetUp() override
    {
        LoadLanguage();
        ResetProgramState();
    }
    void TearDown() override { ResetProgramState(); }

    int Walk(const std::string &bench)
    {
        std::string error = InstallTestBench(bench);
        EXPECT_EQ(error, "");
        int found = FindAdapters();
        adapterCount = found;
        return found;
    }
    MessageBoxWatcher boxes;
};

}  // namespace

TEST_F(DeviceMapWalk, FindsTheFamilysPortsInThePlatformsOrder)
{
    const int found = Walk("port 3 driver ktrscsi\n"
                           "port 12 driver KTRWIDE\n"        // case does not matter
                           "port 0 driver atapi\n"
                           "port 5 driver verylongdriver\n"  // another maker's long name is passed over
                           "port 6 nodriver\n"               // so is a port without a driver value
                           "port 7 driver ktrfas\n"
                           "port 8 driver ktrfast\n"         // exactly 7 characters
                           "port 9 driver ktrscsi nobus\n"
                           "value \"Scsi Port 9\" \"Driver\" dword 5\n");  // a number is no driver name
    ASSERT_EQ(found, 3);
    EXPECT_EQ(deviceMapCount, 3);
    std::vector<std::wstring> order = EnumeratedPortKeys({L"Scsi Port 3", L"Scsi Port 12", L"Scsi Port 8"});
    ASSERT_EQ(order.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(L"Scsi Port " + std::to_wstring(deviceMaps[i]->portNumber), order[static_cast<size_t>(i)]);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(DeviceMapWalk, PortNumbersComeFromTheKeyName)
{
    ASSERT_EQ(Walk("port 7 driver ktrscsi\n"
                   "port 12 driver ktrscsi\n"
                   "port 0 driver ktrscsi\n"
                   "port 255 driver ktrscsi\n"
                   "port 1 key \"Scsi Port 300\" driver ktrscsi\n"   // no 8-bit port number
                   "port 2 key \"Scsi Port 1000\" driver ktrscsi\n"
                   "port 3 key \"Scsi PortX\" driver ktrscsi\n"      // no number at all
                   "port 4 key \"Scsi Port\" driver ktrscsi\n"),    // shorter than the prefix
              4);
    std::vector<int> ports;
    for (int i = 0; i < 4; ++i)
        ports.push_back(deviceMaps[i]->portNumber);
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(ports, (std::vector<int>{0, 7, 12, 255}));
}

TEST_F(DeviceMapWalk, ReadsTheDevicesOfEachPort)
{
    const std::string id31(31, 'A'), id32(32, 'B');
    ASSERT_EQ(Walk("port 2 driver ktrscsi\n"
                   "  buskey \"Initiator Id 7\"\n"
                   "  unit 9 0 \"SKIPPED\" targetkey \"Initiator Id 7\"\n"   // below a key that is not a target
                   "  unit 10 0 \"SKIPPED\" targetkey \"Target IX 10\"\n"     // differs in the ninth character
                   "  unit 3 0 \"NORTHDISK ND-4550S\"\n"
                   "  unit 3 1 \"NORTHDISK ND-4550S LUN1\" type CdRomPeripheral\n"
                   "  unit 12 10 \"TWO DIGITS\"\n"
                   "  unit 4 0 noidentifier\n"
                   "  unit 5 0 \"" + id31 + "\"\n"
                   "  unit 6 0 \"" + id32 + "\"\n"
                   "  unit 8 0 \"X\"\n" +
                   UnterminatedText("Scsi Port 2\\Scsi Bus 0\\Target Id 8\\Logical Unit Id 0", "Identifier",
                                    std::string(32, 'C')) +
                   "  port 3 driver ktrwide\n"
                   "  unit 1 0 \"X\"\n" +
                   UnterminatedText("Scsi Port 3\\Scsi Bus 0\\Target Id 1\\Logical Unit Id 0", "Identifier",
                                    std::string(31, 'D'))),
              2);
    const DeviceMapEntry *port2 = deviceMaps[0]->portNumber == 2 ? deviceMaps[0] : deviceMaps[1];
    const DeviceMapEntry *port3 = deviceMaps[0]->portNumber == 2 ? deviceMaps[1] : deviceMaps[0];
    ASSERT_EQ(port2->deviceCount, 7);
    // Targets come in the platform's order; find each by ID and unit.
    auto slot = [&](int target, int lun) -> const DeviceSlot * {
        for (const DeviceSlot &s : port2->devices)
            if (s.targetId == target && s.lun == lun)
                return &s;
        return nullptr;
    };
    ASSERT_NE(slot(3, 0), nullptr);
    ASSERT_NE(slot(3, 1), nullptr);
    EXPECT_EQ(slot(3, 1) - slot(3, 0), 1) << "units of one target fill consecutive slots";
    EXPECT_STREQ(slot(3, 1)->identifier, L"NORTHDISK ND-4550S LUN1");
    EXPECT_STREQ(slot(3, 1)->deviceType, L"CdRomPeripheral");
    ASSERT_NE(slot(12, 10), nullptr);
    EXPECT_STREQ(slot(4, 0)->identifier, L"");
    EXPECT_EQ(std::wstring(slot(5, 0)->identifier), std::wstring(31, L'A'));
    EXPECT_STREQ(slot(6, 0)->identifier, L"") << "32 characters do not fit";
    EXPECT_STREQ(slot(8, 0)->identifier, L"") << "an unterminated text that fills the buffer";
    EXPECT_EQ(slot(9, 0), nullptr) << "keys that are not targets are skipped";
    EXPECT_EQ(slot(10, 0), nullptr) << "the whole prefix is compared";
    for (int i = 7; i < kDeviceSlots; ++i)
        EXPECT_EQ(port2->devices[i].targetId, kEmptySlot);
    ASSERT_EQ(port3->deviceCount, 1);
    EXPECT_EQ(std::wstring(port3->devices[0].identifier), std::wstring(31, L'D'));
}

TEST_F(DeviceMapWalk, AnEmptyDriverNameInTheModuleTakesNoPort)
{
    languageModule = LoadModuleAsData(FixtureModule(L"lacks68").c_str());
    ASSERT_EQ(Walk("port 2 driver ktrscsi\nport 4 nodriver\nvalue \"Scsi Port 4\" \"Driver\" sz \"\"\n"), 1);
    EXPECT_EQ(deviceMaps[0]->portNumber, 2);
}

TEST_F(DeviceMapWalk, UnterminatedDriverValuesAreBounded)
{
    ASSERT_EQ(Walk("port 2 driver x\n" + UnterminatedText("Scsi Port 2", "Driver", "ktrscsi") +
                   "port 3 driver x\n" + UnterminatedText("Scsi Port 3", "Driver", "ktrscsiX")),
              1);
    EXPECT_EQ(deviceMaps[0]->portNumber, 2);
}

TEST_F(DeviceMapWalk, KeepsAtMostThirtyTwoAdaptersAndSlots)
{
    std::string bench;
    for (int p = 11; p <= 50; ++p)
        bench += "port " + std::to_string(p) + " driver ktrscsi\n";
    bench += "port 10 driver ktrscsi\n";  // first in the platform's order, with 40 units
    for (int u = 0; u < 40; ++u)
        bench += "  unit " + std::to_string(u % 16) + " " + std::to_string(u / 16) + " \"UNIT\"\n";
    ASSERT_EQ(Walk(bench), kMaxAdapters);
    EXPECT_EQ(deviceMapCount, kMaxAdapters);
    const DeviceMapEntry *last = nullptr;
    for (int i = 0; i < kMaxAdapters; ++i)
        if (deviceMaps[i]->portNumber == 10)
            last = deviceMaps[i];
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->deviceCount, kDeviceSlots);
    for (const DeviceSlot &s : last->devices)
        EXPECT_STREQ(s.identifier, L"UNIT");
}

TEST_F(DeviceMapWalk, FailsAsTheDesignSays)
{
    // No device map at all: string 29.
    ASSERT_EQ(InstallTestBench(""), "");
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\Scsi"), ERROR_SUCCESS);
    EXPECT_EQ(FindAdapters(), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, ModuleText(IDS_NO_DEVICE_MAP));
    EXPECT_EQ(boxes.boxes[0].caption, std::wstring(windowCaption));

    // A port key name longer than 15 characters, a missing bus key, a target
    // name longer than 39 characters: the walk fails and finds nothing.
    ResetProgramState();
    EXPECT_EQ(Walk("port 1 driver ktrscsi\nport 2 key \"Scsi Port 2 extra\" driver other\n"), 0);
    ResetProgramState();
    EXPECT_EQ(Walk("port 1 driver ktrscsi\nport 2 driver ktrwide nobus\n"), 0);
    EXPECT_GE(deviceMapCount, 1) << "entries appended before the failure stay until they are freed";
    FreeDeviceMaps();
    for (int i = 0; i < kMaxAdapters; ++i)
        EXPECT_EQ(deviceMaps[i], nullptr);
    FreeDeviceMaps();  // a second release does nothing
    ResetProgramState();
    EXPECT_EQ(Walk("port 1 driver ktrscsi\n  unit 1 0 \"X\" targetkey \"Target Id 1 and a name beyond thirty-nine\"\n"),
              0);
    EXPECT_EQ(boxes.boxes.size(), 1u) << "only the missing device map has a message";
}

TEST_F(DeviceMapWalk, ReadsEachPortsInterruptAndAddress)
{
    ASSERT_EQ(Walk("port 1 driver ktrscsi irq 5 io 0x3F0\n"
                   "port 2 driver ktrscsi noirq noio\n"
                   "port 3 driver ktrscsi irq 9 io 0x300\n"
                   "value \"Scsi Port 3\" \"Interrupt\" raw 4 7 0\n"   // two bytes: not a number here
                   "port 4 key \"Scsi Port 07\" driver ktrscsi irq 11\n"),  // opened as \"Scsi Port 7\"
              4);
    for (int i = 0; i < 4; ++i)
        if (deviceMaps[i]->portNumber == 7)
            portIoAddress[i] = 0x1234;  // a port that cannot be opened keeps its address
    ReadPortResources();
    for (int i = 0; i < 4; ++i) {
        switch (deviceMaps[i]->portNumber) {
        case 1:
            EXPECT_EQ(portInterrupt[i], 5);
            EXPECT_EQ(portIoAddress[i], 0x3F0);
            break;
        case 2:
            EXPECT_EQ(portInterrupt[i], 0);
            EXPECT_EQ(portIoAddress[i], 0);
            break;
        case 3:
            EXPECT_EQ(portInterrupt[i], 0);
            EXPECT_EQ(portIoAddress[i], 0x300);
            break;
        case 7:
            EXPECT_EQ(portInterrupt[i], kNoInterrupt);
            EXPECT_EQ(portIoAddress[i], 0x1234);
            break;
        default:
            ADD_FAILURE() << "port " << int(deviceMaps[i]->portNumber);
        }
    }
}
