// The family's adapters as the registry's SCSI device map lists them: one
// entry per port served by one of the family's drivers, with the devices
// that the platform found on the port's bus.
#pragma once

#include <windows.h>

#include <cstdint>

#include "store/adapter_record.h"

constexpr int kDeviceSlots = 32;
constexpr std::uint8_t kEmptySlot = 255;
constexpr int kNoInterrupt = 255;  // the port's key could not be opened

struct DeviceSlot {
    std::uint8_t targetId;  // kEmptySlot when unused
    std::uint8_t lun;
    wchar_t identifier[32];
    wchar_t deviceType[32];
};

struct DeviceMapEntry {
    std::uint8_t portNumber;
    std::uint8_t deviceCount;
    DeviceSlot devices[kDeviceSlots];
};

extern DeviceMapEntry *deviceMaps[kMaxAdapters];
extern std::uint16_t deviceMapCount;
extern int portIoAddress[kMaxAdapters];
extern int portInterrupt[kMaxAdapters];

// Returns the number of adapters found, or 0 when the walk failed (reported
// when the map cannot be opened or memory runs out).
int FindAdapters();
// Returns the number of slots filled, or -1 on a registry error.
int ReadPortDevices(HKEY bus, DeviceMapEntry *entry);
void ReadPortResources();
// True when the port's device map lists a device at the SCSI ID.
bool DeviceAnswersAt(const DeviceMapEntry *entry, int id);
void FreeDeviceMaps();
