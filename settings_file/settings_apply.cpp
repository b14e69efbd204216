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

void SetBit(std::uint8_t &flags, std::uint8_t bit, const std::optional<bool> &on)
{
    if (on)
        flags = static_cast<std::uint8_t>(*on ? flags | bit : flags & ~bit);
}

// The rate code that shows as the text at the width, or false.
bool CodeOfRate(const std::string &text, std::uint8_t busWidth, std::uint16_t &code)
{
    if (text == "Off") {
        code = 0;
        return true;
    }
    for (std::uint16_t candidate : {40, 48, 100, 200})
        if (RateText(candidate, busWidth) == text) {
            code = candidate;
            return true;
        }
    return false;
}

// Where each device entry's width and rate were last named, to check them
// together once every named setting is in place.
struct Named {
    const FileDevice *width = nullptr;
    const FileDevice *rate = nullptr;  // the entry that named rateCode or rate last
};

void SetDevice(DeviceEntry &entry, const FileDevice &d, Named &named)
{
    if (d.busWidth) {
        entry.busWidth = *d.busWidth;
        named.width = &d;
    }
    if (d.rateCode)
        entry.syncCode.set(*d.rateCode);
    if (d.rateCode || d.rate)
        named.rate = &d;
    SetBit(entry.deviceFlags, 1, d.disconnection);
    SetBit(entry.deviceFlags, 2, d.sendStartUnit);
    SetBit(entry.deviceFlags, 4, d.scanAtStart);
    SetBit(entry.deviceFlags, 8, d.taggedQueuing);
    if (d.timeout)
        entry.deviceValue.set(*d.timeout);
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
        if (named.rate->rateCode && *named.rate->rateCode != code)
            return Refused(adapter, field, "disagrees with rateCode");
        entry.syncCode.set(code);
    }
    if ((named.rate || named.width) && !RateOffered(chip, entry.syncCode.get(), entry.busWidth)) {
        const FileDevice *by = named.rate ? named.rate : named.width;
        return Refused(adapter, by->path + (named.rate ? (by->rateCode ? ".rateCode" : ".rate") : ".busWidth"),
                       "the chip does not offer rate code " + std::to_string(entry.syncCode.get()) + " at " +
                           std::to_string(entry.busWidth) + " bits");
    }
    return {};
}

FileResult ApplyTo(const FileAdapter &adapter, int index, SettingsImage &image)
{
    const AdapterRecord &record = workingRecords[index];
    const std::string settings = adapter.path + ".settings.";
    std::uint16_t flags = image.adapterFlags.get();
    if (adapter.parityChecking)
        flags = static_cast<std::uint16_t>(*adapter.parityChecking ? flags | kAdapterFlagOption0 : flags & ~kAdapterFlagOption0);
    if (adapter.busResetAtStart)
        flags = static_cast<std::uint16_t>(*adapter.busResetAtStart ? flags | kAdapterFlagOption1 : flags & ~kAdapterFlagOption1);
    image.adapterFlags.set(flags);
    if (adapter.extendedTranslation) {
        // Extended is any value but 0: one already extended keeps its value.
        if (!*adapter.extendedTranslation)
            image.adapterOption.set(0);
        else if (!image.adapterOption.get())
            image.adapterOption.set(1);
    }
    if (adapter.hostId) {
        const int id = *adapter.hostId;
        if (id >= kScsiIds)
            return Refused(adapter, settings + "hostId", "the host ID is 0 to 15");
        if (id != record.image.hostId && DeviceAnswersAt(deviceMaps[index], id))
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
        if (d->timeout && *d->timeout > 9999)
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
