// A bench: the set of adapters, ports and devices that the emulator stands in
// for. Read from a description file, installed into the Wine prefix (the
// driver's Parameters key, the adapters' image files, the driver service),
// and read back (stored images, request counts).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct BenchUnit {
    int target = 0;
    int lun = 0;
    bool hasIdentifier = true;
    std::wstring identifier;
    bool hasType = true;
    std::wstring type = L"DiskPeripheral";
    std::wstring targetKey;  // empty: "Target Id <target>"
    std::wstring unitKey;    // empty: "Logical Unit Id <lun>"
};

enum class BenchImage { Defaults, Zero, Random, File, Keep };

struct BenchAdapter {
    std::uint8_t chip = 0;
    std::uint32_t status = 0;  // ReturnCode of a read
    std::uint32_t length = 1260;
    std::uint32_t faults = 0;
    BenchImage image = BenchImage::Defaults;
    std::uint32_t seed = 0;
    std::wstring file;
    std::vector<std::pair<int, std::uint8_t>> pokes;  // image bytes set after the image is made
};

struct BenchPort {
    int number = 0;
    std::wstring keyName;  // empty: "Scsi Port <number>"
    bool hasDriver = true;
    std::wstring driver;
    bool hasIrq = true;
    std::uint32_t irq = 0;
    bool hasIo = true;
    std::uint32_t io = 0;
    bool hasBus = true;
    std::vector<std::wstring> busKeys;
    std::vector<BenchUnit> units;
    bool isAdapter = false;
    BenchAdapter adapter;
};

struct BenchRawValue {
    std::wstring path;  // below HARDWARE\DEVICEMAP\Scsi
    std::wstring name;
    std::uint32_t type = REG_SZ;
    std::vector<std::uint8_t> data;
};

struct Bench {
    std::vector<BenchPort> ports;
    std::vector<std::wstring> rawKeys;
    std::vector<BenchRawValue> rawValues;
};

bool ParseBench(const std::string &text, const std::wstring &baseDir, Bench &bench, std::string &error);
bool LoadBenchFile(const std::wstring &path, Bench &bench, std::string &error);

// The blob that the driver replays at its start.
std::vector<std::uint8_t> BenchBlob(const Bench &bench);

// Writes the bench into the prefix and (re)starts the driver. driverFile is
// copied to the system's driver folder when it is not empty.
bool InstallBench(const Bench &bench, const std::wstring &driverFile, std::string &error);
bool RestartEmulator(std::string &error);

// Per-port settings that the driver reads at every request.
bool SetPortParameter(const wchar_t *prefix, int port, DWORD value);
// Sets a port's faults; restarts the emulator when the open faults change,
// which the driver applies at its start only.
bool SetPortFaults(int port, DWORD faults, std::string &error);

struct PortCounts {
    bool present = false;
    DWORD opens = 0, reads = 0, writes = 0, rejected = 0, lastInput = 0, lastOutput = 0;
    std::vector<std::uint8_t> lastHeader;
};
PortCounts ReadPortCounts(int port);

std::wstring ImageFilePath(int port);
bool ReadStoredImage(int port, std::vector<std::uint8_t> &image);
bool WriteStoredImage(int port, const std::vector<std::uint8_t> &image);

// The image an adapter of the bench starts with.
std::vector<std::uint8_t> MakeBenchImage(const BenchAdapter &adapter, std::string &error);

// Human-readable form of a stored image: host ID, flags, the 16 entries, raw bytes.
std::string DescribeImage(const std::vector<std::uint8_t> &image);
