// The named settings of a settings file, one row each: its key, the kind of
// value that it takes, where it lives in the image, the largest value that
// the file may give and that the settings windows allow, and its English
// words. Reading, checking, writing, naming and applying are driven by these
// two tables; a key is added here and nowhere else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/settings_image.h"

enum class FieldKind {
    Switch,  // true / false: one bit
    Number,  // a whole number, 0 to high
    Choice,  // one of two words: zero, or any other value
    Rate,    // the rate as the window shows it, of the rate code at the device's width
};

struct SettingField {
    const char *key;
    FieldKind kind;
    std::uint16_t offset;  // of its bytes in the image, or in a device entry
    std::uint8_t size;     // 1 or 2 bytes, little-endian
    std::uint16_t mask;    // Switch: its bit
    long high;             // Number: the largest value that the field holds
    long allowed;          // Number: the largest value that the settings windows take
    const char *shownOn, *shownOff;  // the English words of the rows: set / clear, or nonzero / zero
    const char *fileOn, *fileOff;    // Choice: the file's words for nonzero and zero
};

// Adapter settings, in the file's order.
enum AdapterField { kParityChecking, kBusResetAtStart, kHostId, kDiskTranslation, kAdapterFieldCount };
// Device settings, in the file's order.
enum DeviceField {
    kRateCode, kRate, kBusWidth, kDisconnection, kTimeout, kSendStartUnit, kScanAtStart, kTaggedQueuing,
    kDeviceFieldCount
};

extern const std::array<SettingField, kAdapterFieldCount> adapterFields;
extern const std::array<SettingField, kDeviceFieldCount> deviceFields;

// The field's value at `at` (the image, or a device entry): a Switch or
// Choice as 1 or 0, a Number as it is, a Rate as its rate code.
long FieldValue(const SettingField &field, const std::uint8_t *at);
// Sets it: a Switch's bit alone; a Choice of 0 clears the field, of 1 keeps
// a nonzero value and makes zero 1. A Rate is set by its code.
void SetFieldValue(const SettingField &field, std::uint8_t *at, long value);
// Clears every bit that the field names: what is left is what no name covers.
void ClearField(const SettingField &field, std::uint8_t *at);
// As the English module shows it: "On", "7", "Standard", "40".
std::string ShownValue(const SettingField &field, const std::uint8_t *at);
// As a file writes it: true, 7, "standard", "40".
std::string FileValue(const SettingField &field, const std::uint8_t *at);

// The rate as the English module shows it: "40", "5", "Off" for code 0, "--" for an unknown code.
std::string RateText(std::uint16_t syncCode, std::uint8_t busWidth);
// The chip's name in UTF-8; empty for a code without a name.
std::string ChipNameUtf8(std::uint8_t chipType);
// The rate code that shows as the text at the width, or false.
bool CodeOfRate(const std::string &text, std::uint8_t busWidth, std::uint16_t &code);

inline const std::uint8_t *Bytes(const SettingsImage &image)
{
    return reinterpret_cast<const std::uint8_t *>(&image);
}
inline std::uint8_t *Bytes(SettingsImage &image)
{
    return reinterpret_cast<std::uint8_t *>(&image);
}
inline const std::uint8_t *Bytes(const DeviceEntry &entry)
{
    return reinterpret_cast<const std::uint8_t *>(&entry);
}
inline std::uint8_t *Bytes(DeviceEntry &entry)
{
    return reinterpret_cast<std::uint8_t *>(&entry);
}
