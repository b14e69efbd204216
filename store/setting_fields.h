// The named settings of the image, one row each: its key in the settings
// files, the kind of value that it takes, where it lives in the image, the
// largest value that its bytes hold and that the settings windows allow,
// and its English words. Reading, checking, writing, naming, applying,
// merging and the range rules are driven by these two tables; a key is
// added here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "language/resource_ids.h"
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
    const char *range;     // Number: the refusal of a value above allowed, with %ld for allowed
    const char *shownOn, *shownOff;  // the English words of the rows: set / clear, or nonzero / zero
    unsigned onText, offText;        // the strings of the language modules that show them
    const char *fileOn, *fileOff;    // Choice: the file's words for nonzero and zero
};

// Adapter settings, in the file's order.
enum AdapterField { kParityChecking, kBusResetAtStart, kHostId, kDiskTranslation, kAdapterFieldCount };
// Device settings, in the file's order.
enum DeviceField {
    kRateCode, kRate, kBusWidth, kDisconnection, kTimeout, kSendStartUnit, kScanAtStart, kTaggedQueuing,
    kDeviceFieldCount
};

constexpr std::uint16_t kAdapterFlagsAt = offsetof(SettingsImage, adapterFlags);

inline constexpr std::array<SettingField, kAdapterFieldCount> adapterFields = {{
    {"parityChecking", FieldKind::Switch, kAdapterFlagsAt, 2, kAdapterFlagOption0, 1, 1, nullptr, "On", "Off",
     IDS_WORD_ON, IDS_WORD_OFF, nullptr, nullptr},
    {"busResetAtStart", FieldKind::Switch, kAdapterFlagsAt, 2, kAdapterFlagOption1, 1, 1, nullptr, "Enabled",
     "Disabled", IDS_WORD_ENABLED, IDS_WORD_DISABLED, nullptr, nullptr},
    {"hostId", FieldKind::Number, offsetof(SettingsImage, hostId), 1, 0, 255, kScsiIds - 1,
     "the host ID is 0 to %ld", nullptr, nullptr, 0, 0, nullptr, nullptr},
    {"diskTranslation", FieldKind::Choice, offsetof(SettingsImage, adapterOption), 2, 0, 1, 1, nullptr, "Extended",
     "Standard", IDS_WORD_EXTENDED, IDS_WORD_STANDARD, "extended", "standard"},
}};

// The bus width's rule is more than a range (8 or 16, and what the chip
// offers): settings_rules.cpp keeps it, and its range words are those.
inline constexpr std::array<SettingField, kDeviceFieldCount> deviceFields = {{
    {"rateCode", FieldKind::Number, offsetof(DeviceEntry, syncCode), 2, 0, 65535, 65535, nullptr, nullptr, nullptr,
     0, 0, nullptr, nullptr},
    {"rate", FieldKind::Rate, offsetof(DeviceEntry, syncCode), 2, 0, 0, 0, nullptr, nullptr, nullptr, 0, 0, nullptr,
     nullptr},
    {"busWidth", FieldKind::Number, offsetof(DeviceEntry, busWidth), 1, 0, 255, 16,
     "the bus width is 8 or 16 bits", nullptr, nullptr, 0, 0, nullptr, nullptr},
    {"disconnection", FieldKind::Switch, offsetof(DeviceEntry, deviceFlags), 1, kDeviceOption0, 1, 1, nullptr, "On",
     "Off", IDS_WORD_ON, IDS_WORD_OFF, nullptr, nullptr},
    {"timeout", FieldKind::Number, offsetof(DeviceEntry, deviceValue), 2, 0, 65535, 9999,
     "the timeout is 0 to %ld seconds", nullptr, nullptr, 0, 0, nullptr, nullptr},
    {"sendStartUnit", FieldKind::Switch, offsetof(DeviceEntry, deviceFlags), 1, kDeviceOption1, 1, 1, nullptr, "Yes",
     "No", IDS_WORD_YES, IDS_WORD_NO_DEVICE, nullptr, nullptr},
    {"scanAtStart", FieldKind::Switch, offsetof(DeviceEntry, deviceFlags), 1, kDeviceOption2, 1, 1, nullptr, "Yes",
     "No", IDS_WORD_YES, IDS_WORD_NO_DEVICE, nullptr, nullptr},
    {"taggedQueuing", FieldKind::Switch, offsetof(DeviceEntry, deviceFlags), 1, kDeviceOption3, 1, 1, nullptr,
     "Enabled", "Disabled", IDS_WORD_ENABLED, IDS_WORD_DISABLED, nullptr, nullptr},
}};

// Each row fits its bytes, and each Number that the windows hold below what
// its bytes hold says how a larger value is refused; each Switch and Choice
// has its words, shown and in the module.
template <std::size_t N>
constexpr bool RowsAreWhole(const std::array<SettingField, N> &rows, std::size_t room)
{
    for (const SettingField &f : rows) {
        if ((f.size != 1 && f.size != 2) || f.offset + f.size > room)
            return false;
        if (f.kind == FieldKind::Number && (f.allowed > f.high || (f.allowed < f.high) != (f.range != nullptr)))
            return false;
        if ((f.kind == FieldKind::Switch || f.kind == FieldKind::Choice) &&
            (!f.shownOn || !f.shownOff || !f.onText || !f.offText))
            return false;
        if (f.kind == FieldKind::Choice && (!f.fileOn || !f.fileOff))
            return false;
    }
    return true;
}
static_assert(RowsAreWhole(adapterFields, sizeof(SettingsImage)), "an adapter field's row is not whole");
static_assert(RowsAreWhole(deviceFields, sizeof(DeviceEntry)), "a device field's row is not whole");

// Digits of the largest value that the windows take for a field.
constexpr int AllowedDigits(const SettingField &field)
{
    int digits = 1;
    for (long value = field.allowed; value >= 10; value /= 10)
        ++digits;
    return digits;
}

// The field's value at `at` (the image, or a device entry): a Switch or
// Choice as 1 or 0, a Number as it is, a Rate as its rate code.
long FieldValue(const SettingField &field, const std::uint8_t *at);
// Sets it: a Switch's bit alone; a Choice of 0 clears the field, of 1 keeps
// a nonzero value and makes zero 1. A Rate is set by its code.
void SetFieldValue(const SettingField &field, std::uint8_t *at, long value);
// Clears every bit that the field names: what is left is what no name covers.
void ClearField(const SettingField &field, std::uint8_t *at);
// Copies the field's bits, and only those, from one image or entry to another.
void CopyField(const SettingField &field, const std::uint8_t *from, std::uint8_t *to);
// Puts on base every named setting that differs between was and edited, as
// edited holds it; false when none differs.
bool MergeEdits(const SettingsImage &was, const SettingsImage &edited, SettingsImage &base);
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
