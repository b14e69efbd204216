// Restoring a backup's images and applying named settings to the working
// records. Each builds every new image first; the records change only when
// all of them passed.
#include <cstring>

#include "discovery/device_map.h"
#include "settings_file/settings_check.h"
#include "settings_file/settings_internal.h"
#include "store/chip_table.h"
#include "store/rate_display.h"
#include "store/rate_rules.h"

namespace {

struct NewImage {
    int index;
    int port;
    SettingsImage image;
};

// Where each device entry's width and rate were last named, to check them
// together once every named setting is in place.
struct Named {
    const FileDevice *width = nullptr;
    const FileDevice *rate = nullptr;  // the entry that named rateCode or rate last
};

void SetDevice(DeviceEntry &entry, const FileDevice &d, Named &named)
{
    for (int f = 0; f < kDeviceFieldCount; ++f)
        if (d.values[f])
            SetFieldValue(deviceFields[f], Bytes(entry), *d.values[f]);
    if (d.values[kBusWidth])
        named.width = &d;
    if (d.values[kRateCode] || d.rate)
        named.rate = &d;
}

FileResult Refused(const FileAdapter &adapter, const std::string &field, const std::string &rule)
{
    return Problem(FileProblem::Refused, adapter.port, field, rule);
}

FileResult CheckDevice(const FileAdapter &adapter, std::uint8_t chip, DeviceEntry &entry, const Named &named)
{
    if (named.width) {
        const std::string field = named.width->path + ".busWidth";
        if (entry.busWidth != 8 && entry.busWidth != 16)
            return Refused(adapter, field, "the bus width is 8 or 16 bits");
        if (entry.busWidth == 16 && DefaultBusWidth(chip) != 16)
            return Refused(adapter, field, "the chip " + ChipNameUtf8(chip) + " has a narrow bus only");
    }
    if (named.rate && named.rate->rate) {
        const std::string field = named.rate->path + ".rate";
        std::uint16_t code = 0;
        if (!CodeOfRate(*named.rate->rate, entry.busWidth, code))
            return Refused(adapter, field, "\"" + *named.rate->rate + "\" is no rate at " +
                                               std::to_string(entry.busWidth) + " bits");
        if (named.rate->values[kRateCode] && *named.rate->values[kRateCode] != code)
            return Refused(adapter, field, "disagrees with rateCode");
        entry.syncCode.set(code);
    }
    if ((named.rate || named.width) && !RateOffered(chip, entry.syncCode.get(), entry.busWidth)) {
        const FileDevice *by = named.rate ? named.rate : named.width;
        return Refused(adapter, by->path + (named.rate ? (by->values[kRateCode] ? ".rateCode" : ".rate") : ".busWidth"),
                       "the chip does not offer rate code " + std::to_string(entry.syncCode.get()) + " at " +
                           std::to_string(entry.busWidth) + " bits");
    }
    return {};
}

FileResult ApplyTo(const FileAdapter &adapter, int index, SettingsImage &image)
{
    const AdapterRecord &record = workingRecords[index];
    const std::string settings = adapter.path + ".settings.";
    for (int f = 0; f < kAdapterFieldCount; ++f)
        if (f != kHostId && adapter.values[f])
            SetFieldValue(adapterFields[f], Bytes(image), *adapter.values[f]);
    if (adapter.values[kHostId]) {
        const long id = *adapter.values[kHostId];
        if (id > adapterFields[kHostId].allowed)
            return Refused(adapter, settings + "hostId", "the host ID is 0 to 15");
        if (id != record.image.hostId && DeviceAnswersAt(deviceMaps[index], static_cast<int>(id)))
            return Refused(adapter, settings + "hostId", "a device answers at ID " + std::to_string(id));
        image.hostId = static_cast<std::uint8_t>(id);
    }
    Named named[kScsiIds];
    for (int id = 0; id < kScsiIds; ++id)
        if (adapter.allDevices)
            SetDevice(image.deviceTable[static_cast<std::size_t>(id)], *adapter.allDevices, named[id]);
    for (const FileDevice &d : adapter.devices)
        SetDevice(image.deviceTable[static_cast<std::size_t>(d.id)], d, named[d.id]);
    std::vector<const FileDevice *> listed;
    if (adapter.allDevices)
        listed.push_back(&*adapter.allDevices);
    for (const FileDevice &d : adapter.devices)
        listed.push_back(&d);
    for (const FileDevice *d : listed)
        if (d->values[kTimeout] && *d->values[kTimeout] > deviceFields[kTimeout].allowed)
            return Refused(adapter, d->path + ".timeout", "the timeout is 0 to 9999 seconds");
    for (int id = 0; id < kScsiIds; ++id) {
        FileResult result = CheckDevice(adapter, record.chipType, image.deviceTable[static_cast<std::size_t>(id)], named[id]);
        if (result.problem != FileProblem::None)
            return result;
    }
    return {};
}

// Puts every new image that differs into the working records, listing what
// changed; the list is made first, so that nothing can fail once a record changes.
void Commit(const std::vector<NewImage> &images, std::vector<SettingChange> &changes)
{
    for (const NewImage &n : images)
        if (std::memcmp(&workingRecords[n.index].image, &n.image, kImageSize) != 0)
            ListChanges(n.index, n.port, workingRecords[n.index].image, n.image, changes);
    for (const NewImage &n : images) {
        AdapterRecord &record = workingRecords[n.index];
        if (std::memcmp(&record.image, &n.image, kImageSize) == 0)
            continue;
        record.image = n.image;
        record.modified = 1;
    }
}

}  // namespace

FileResult RestoreBackup(const SettingsFile &file, int port, std::vector<SettingChange> &changes)
{
    changes.clear();
    try {
        std::vector<Target> targets;
        FileResult result = CheckTargets(file, port, true, targets);
        if (result.problem != FileProblem::None)
            return result;
        std::vector<NewImage> images;
        for (const Target &t : targets)
            images.push_back({t.index, t.adapter->port, t.adapter->image});
        Commit(images, changes);
        return {};
    } catch (...) {
        changes.clear();
        return Problem(FileProblem::CannotRead, port, {}, "out of memory");
    }
}

FileResult ApplySettings(const SettingsFile &file, int port, std::vector<SettingChange> &changes)
{
    changes.clear();
    try {
        std::vector<Target> targets;
        FileResult result = CheckTargets(file, port, false, targets);
        if (result.problem != FileProblem::None)
            return result;
        std::vector<NewImage> images;
        for (const Target &t : targets) {
            images.push_back({t.index, t.adapter->port, workingRecords[t.index].image});
            result = ApplyTo(*t.adapter, t.index, images.back().image);
            if (result.problem != FileProblem::None)
                return result;
        }
        Commit(images, changes);
        return {};
    } catch (...) {
        changes.clear();
        return Problem(FileProblem::CannotRead, port, {}, "out of memory");
    }
}
