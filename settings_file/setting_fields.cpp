#include "settings_file/setting_fields.h"

#include <windows.h>

#include "store/chip_table.h"
#include "store/rate_display.h"
#include "store/utf8.h"

namespace {

long Raw(const SettingField &field, const std::uint8_t *at)
{
    const std::uint8_t *p = at + field.offset;
    return field.size == 2 ? p[0] | (p[1] << 8) : p[0];
}

void SetRaw(const SettingField &field, std::uint8_t *at, long value)
{
    std::uint8_t *p = at + field.offset;
    p[0] = static_cast<std::uint8_t>(value);
    if (field.size == 2)
        p[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

long FieldValue(const SettingField &field, const std::uint8_t *at)
{
    const long raw = Raw(field, at);
    switch (field.kind) {
    case FieldKind::Switch:
        return (raw & field.mask) ? 1 : 0;
    case FieldKind::Choice:
        return raw ? 1 : 0;
    default:
        return raw;
    }
}

void SetFieldValue(const SettingField &field, std::uint8_t *at, long value)
{
    const long raw = Raw(field, at);
    switch (field.kind) {
    case FieldKind::Switch:
        SetRaw(field, at, value ? raw | field.mask : raw & ~static_cast<long>(field.mask));
        break;
    case FieldKind::Choice:
        // The second choice is any value but 0: one already made keeps its value.
        SetRaw(field, at, !value ? 0 : raw ? raw : 1);
        break;
    default:
        SetRaw(field, at, value);
        break;
    }
}

void ClearField(const SettingField &field, std::uint8_t *at)
{
    SetRaw(field, at, field.kind == FieldKind::Switch ? Raw(field, at) & ~static_cast<long>(field.mask) : 0);
}

std::string RateText(std::uint16_t syncCode, std::uint8_t busWidth)
{
    const ShownRate rate = LookupRate(syncCode, busWidth);
    switch (rate.kind) {
    case RateKind::Async:
        return "Off";
    case RateKind::Number:
        return std::to_string(rate.megabytes);
    default:
        return "--";
    }
}

bool CodeOfRate(const std::string &text, std::uint8_t busWidth, std::uint16_t &code)
{
    for (std::uint16_t candidate : {0, 40, 48, 100, 200})
        if (RateText(candidate, busWidth) == text) {
            code = candidate;
            return true;
        }
    return false;
}

std::string ShownValue(const SettingField &field, const std::uint8_t *at)
{
    const long value = FieldValue(field, at);
    switch (field.kind) {
    case FieldKind::Switch:
    case FieldKind::Choice:
        return value ? field.shownOn : field.shownOff;
    case FieldKind::Rate:
        return RateText(static_cast<std::uint16_t>(value), at[offsetof(DeviceEntry, busWidth)]);
    default:
        return std::to_string(value);
    }
}

std::string FileValue(const SettingField &field, const std::uint8_t *at)
{
    const long value = FieldValue(field, at);
    switch (field.kind) {
    case FieldKind::Switch:
        return value ? "true" : "false";
    case FieldKind::Choice:
        return std::string("\"") + (value ? field.fileOn : field.fileOff) + "\"";
    case FieldKind::Rate:
        return "\"" + ShownValue(field, at) + "\"";
    default:
        return std::to_string(value);
    }
}

std::string ChipNameUtf8(std::uint8_t chipType)
{
    return Utf8(ChipName(chipType));
}
