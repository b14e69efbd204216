#include "settings_file/settings_rules.h"

#include <cstdio>

#include "discovery/device_map.h"
#include "settings_file/settings_internal.h"
#include "store/chip_table.h"
#include "store/rate_rules.h"

namespace {

// The field of d that gave the setting (a rate code may be given as the
// rate), or empty when d names it not.
std::string NamedBy(const FileDevice &d, int field)
{
    if (d.Names(field))
        return d.path + "." + deviceFields[field].key;
    if (field == kRateCode && d.Names(kRate))
        return d.path + "." + deviceFields[kRate].key;
    return {};
}

// The path of the file's field that gave a device entry's setting: the
// entry of devices that names it, which applies last, else allDevices.
std::string DevicePath(const FileAdapter &adapter, int id, int field)
{
    for (const FileDevice &d : adapter.devices)
        if (d.id == id && !NamedBy(d, field).empty())
            return NamedBy(d, field);
    if (adapter.allDevices && !NamedBy(*adapter.allDevices, field).empty())
        return NamedBy(*adapter.allDevices, field);
    return adapter.path + ".settings.devices[" + std::to_string(id) + "]." + deviceFields[field].key;
}

FileResult Refused(const FileAdapter &adapter, const std::string &field, long value, const std::string &rule)
{
    FileResult result = Problem(FileProblem::Refused, adapter.port, field, rule);
    result.value = std::to_string(value);
    return result;
}

// A number that changes to more than the settings windows take; was null: any such number.
bool OutOfRange(const SettingField &field, const std::uint8_t *was, const std::uint8_t *is)
{
    return field.range && (!was || FieldValue(field, is) != FieldValue(field, was)) && FieldValue(field, is) > field.allowed;
}

std::string RangeWords(const SettingField &field)
{
    char words[96];
    std::snprintf(words, sizeof words, field.range, field.allowed);
    return words;
}

}  // namespace

FileResult CheckRules(const FileAdapter &adapter, int index, const SettingsImage *now, const SettingsImage &next)
{
    const std::uint8_t chip = workingRecords[index].chipType;
    for (const SettingField &field : adapterFields)
        if (OutOfRange(field, now ? Bytes(*now) : nullptr, Bytes(next)))
            return Refused(adapter, adapter.path + ".settings." + field.key, FieldValue(field, Bytes(next)),
                           RangeWords(field));
    if ((!now || next.hostId != now->hostId) && DeviceAnswersAt(deviceMaps[index], next.hostId))
        return Refused(adapter, adapter.path + ".settings." + adapterFields[kHostId].key, next.hostId,
                       "a device answers at this ID on the adapter's bus");
    for (int id = 0; id < kScsiIds; ++id) {
        const DeviceEntry &is = next.deviceTable[static_cast<std::size_t>(id)];
        const DeviceEntry *was = now ? &now->deviceTable[static_cast<std::size_t>(id)] : nullptr;
        const bool width = !was || is.busWidth != was->busWidth, rate = !was || is.syncCode.get() != was->syncCode.get();
        if (width && is.busWidth != 8 && is.busWidth != 16)
            return Refused(adapter, DevicePath(adapter, id, kBusWidth), is.busWidth, RangeWords(deviceFields[kBusWidth]));
        if (was && width && is.busWidth == 16 && DefaultBusWidth(chip) != 16)
            return Refused(adapter, DevicePath(adapter, id, kBusWidth), is.busWidth,
                           "the chip " + ChipNameUtf8(chip) + " has a narrow bus only");
        if (was && (width || rate) && !RateOffered(chip, is.syncCode.get(), is.busWidth))
            return Refused(adapter, DevicePath(adapter, id, rate ? kRateCode : kBusWidth),
                           rate ? is.syncCode.get() : is.busWidth,
                           "the chip does not offer rate code " + std::to_string(is.syncCode.get()) + " at " +
                               std::to_string(is.busWidth) + " bits");
        for (int f = 0; f < kDeviceFieldCount; ++f)
            if (OutOfRange(deviceFields[f], was ? Bytes(*was) : nullptr, Bytes(is)))
                return Refused(adapter, DevicePath(adapter, id, f), FieldValue(deviceFields[f], Bytes(is)),
                               RangeWords(deviceFields[f]));
    }
    return {};
}
