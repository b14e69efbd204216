#include "settings_file/settings_rules.h"

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

}  // namespace

FileResult CheckRules(const FileAdapter &adapter, int index, const SettingsImage &now, const SettingsImage &next)
{
    const std::uint8_t chip = workingRecords[index].chipType;
    if (next.hostId != now.hostId) {
        const std::string field = adapter.path + ".settings.hostId";
        if (next.hostId > adapterFields[kHostId].allowed)
            return Refused(adapter, field, next.hostId, "the host ID is 0 to 15");
        if (DeviceAnswersAt(deviceMaps[index], next.hostId))
            return Refused(adapter, field, next.hostId, "a device answers at this ID on the adapter's bus");
    }
    for (int id = 0; id < kScsiIds; ++id) {
        const DeviceEntry &was = now.deviceTable[static_cast<std::size_t>(id)];
        const DeviceEntry &is = next.deviceTable[static_cast<std::size_t>(id)];
        const bool width = is.busWidth != was.busWidth, rate = is.syncCode.get() != was.syncCode.get();
        if (width && is.busWidth != 8 && is.busWidth != 16)
            return Refused(adapter, DevicePath(adapter, id, kBusWidth), is.busWidth, "the bus width is 8 or 16 bits");
        if (width && is.busWidth == 16 && DefaultBusWidth(chip) != 16)
            return Refused(adapter, DevicePath(adapter, id, kBusWidth), is.busWidth,
                           "the chip " + ChipNameUtf8(chip) + " has a narrow bus only");
        if ((width || rate) && !RateOffered(chip, is.syncCode.get(), is.busWidth))
            return Refused(adapter, DevicePath(adapter, id, rate ? kRateCode : kBusWidth),
                           rate ? is.syncCode.get() : is.busWidth,
                           "the chip does not offer rate code " + std::to_string(is.syncCode.get()) + " at " +
                               std::to_string(is.busWidth) + " bits");
        if (is.deviceValue.get() != was.deviceValue.get() && is.deviceValue.get() > deviceFields[kTimeout].allowed)
            return Refused(adapter, DevicePath(adapter, id, kTimeout), is.deviceValue.get(),
                           "the timeout is 0 to 9999 seconds");
    }
    return {};
}
