// The 1260-byte settings image that every adapter of the family keeps in its
// non-volatile memory, and the 8-byte per-device entries inside it.
// Only the named fields are interpreted; every other byte travels unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "store/little_endian.h"

constexpr int kScsiIds = 16;
constexpr std::size_t kImageSize = 1260;

// Bits of adapterFlags.
constexpr std::uint16_t kAdapterFlagOption0 = 0x0001;
constexpr std::uint16_t kAdapterFlagOption1 = 0x0002;
constexpr std::uint16_t kAdapterFlagDefaultBit = 0x0004;
constexpr std::uint16_t kDefaultsSubstituted = 0x0008;

// Bits of a device entry's deviceFlags, by the rows that show them.
constexpr std::uint8_t kDeviceOption0 = 0x01;  // disconnection
constexpr std::uint8_t kDeviceOption1 = 0x02;  // send start unit
constexpr std::uint8_t kDeviceOption2 = 0x04;  // scan at start
constexpr std::uint8_t kDeviceOption3 = 0x08;  // tagged queuing

struct DeviceEntry {
    std::uint8_t deviceFlags;  // bits 0..3: kDeviceOption0..kDeviceOption3
    std::uint8_t reserved1;
    std::uint8_t busWidth;     // 8 narrow, 16 wide
    std::uint8_t reserved3;
    LeU16 syncCode;            // transfer rate code
    LeU16 deviceValue;
};

static_assert(sizeof(DeviceEntry) == 8, "DeviceEntry is 8 bytes");
static_assert(offsetof(DeviceEntry, deviceFlags) == 0, "deviceFlags at 0");
static_assert(offsetof(DeviceEntry, reserved1) == 1, "reserved byte at 1");
static_assert(offsetof(DeviceEntry, busWidth) == 2, "busWidth at 2");
static_assert(offsetof(DeviceEntry, reserved3) == 3, "reserved byte at 3");
static_assert(offsetof(DeviceEntry, syncCode) == 4, "syncCode at 4");
static_assert(offsetof(DeviceEntry, deviceValue) == 6, "deviceValue at 6");

// One of the four 14-byte entries that the load partly clears.
struct ClearedEntry {
    std::array<std::uint8_t, 8> cleared0;  // bytes 0..7, zeroed by the load
    std::array<std::uint8_t, 2> kept;      // bytes 8..9, left as they are
    std::array<std::uint8_t, 4> cleared1;  // bytes 10..13, zeroed by the load
};

static_assert(sizeof(ClearedEntry) == 14, "ClearedEntry is 14 bytes");
static_assert(offsetof(ClearedEntry, kept) == 8, "kept bytes at 8");
static_assert(offsetof(ClearedEntry, cleared1) == 10, "second cleared run at 10");

struct SettingsImage {
    std::array<std::uint8_t, 6> reserved0;
    LeU16 adapterFlags;
    LeU16 adapterOption;
    std::array<std::uint8_t, 4> reserved10;
    std::uint8_t hostId;
    std::uint8_t hostByte15;
    std::uint8_t hostByte16;
    std::uint8_t hostByte17;
    std::array<std::uint8_t, 2> reserved18;
    std::array<ClearedEntry, 4> clearedEntries;
    std::array<DeviceEntry, kScsiIds> deviceTable;
    std::array<std::uint8_t, 1056> reserved204;
};

static_assert(sizeof(SettingsImage) == kImageSize, "SettingsImage is 1260 bytes");
static_assert(alignof(SettingsImage) == 1, "SettingsImage has no padding or alignment");
static_assert(offsetof(SettingsImage, reserved0) == 0, "reserved bytes at 0");
static_assert(offsetof(SettingsImage, adapterFlags) == 6, "adapterFlags at 6");
static_assert(offsetof(SettingsImage, adapterOption) == 8, "adapterOption at 8");
static_assert(offsetof(SettingsImage, reserved10) == 10, "reserved bytes at 10");
static_assert(offsetof(SettingsImage, hostId) == 14, "hostId at 14");
static_assert(offsetof(SettingsImage, hostByte15) == 15, "hostByte15 at 15");
static_assert(offsetof(SettingsImage, hostByte16) == 16, "hostByte16 at 16");
static_assert(offsetof(SettingsImage, hostByte17) == 17, "hostByte17 at 17");
static_assert(offsetof(SettingsImage, reserved18) == 18, "reserved bytes at 18");
static_assert(offsetof(SettingsImage, clearedEntries) == 20, "clearedEntries at 20");
static_assert(offsetof(SettingsImage, deviceTable) == 76, "deviceTable at 76");
static_assert(offsetof(SettingsImage, reserved204) == 204, "reserved bytes at 204");
