#include "settings_file/field_words.h"

#include <windows.h>

#include "store/chip_table.h"
#include "store/rate_display.h"
#include "store/utf8.h"

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
