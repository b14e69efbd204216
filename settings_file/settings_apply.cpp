// Restoring a backup's images, applying named settings, and comparing
// either with what the adapters hold. Every new image is built and checked
// first; the records change only when all of them passed.
#include <cstring>
#include <utility>

#include "settings_file/settings_check.h"
#include "settings_file/settings_internal.h"
#include "settings_file/settings_rules.h"
#include "store/adapters.h"

namespace {

struct NewImage {
    int index;
    int port;
    SettingsImage image;
};

bool Same(const SettingsImage &a, const SettingsImage &b)
{
    return std::memcmp(&a, &b, kImageSize) == 0;
}

FileResult Refused(const FileAdapter &adapter, const std::string &field, const std::string &value,
                   const std::string &rule)
{
    FileResult result = Problem(FileProblem::Refused, adapter.port, field, rule);
    result.value = Shown(value);
    return result;
}

void SetDevice(DeviceEntry &entry, const FileDevice &d, const FileDevice *&rate)
{
    for (int f = 0; f < kDeviceFieldCount; ++f)
        if (d.values[f])
            SetFieldValue(deviceFields[f], Bytes(entry), *d.values[f]);
    if (d.Names(kRateCode) || d.Names(kRate))
        rate = &d;
}

// Sets every setting that the file names in image: allDevices in all 16
// entries, then each of devices. A rate given as text becomes the code that
// shows it at the entry's width once every width is in place.
FileResult SetNamed(const FileAdapter &adapter, SettingsImage &image)
{
    for (int f = 0; f < kAdapterFieldCount; ++f)
        if (adapter.values[f])
            SetFieldValue(adapterFields[f], Bytes(image), *adapter.values[f]);
    const FileDevice *rate[kScsiIds] = {};
    for (int id = 0; id < kScsiIds; ++id)
        if (adapter.allDevices)
            SetDevice(image.deviceTable[static_cast<std::size_t>(id)], *adapter.allDevices, rate[id]);
    for (const FileDevice &d : adapter.devices)
        SetDevice(image.deviceTable[static_cast<std::size_t>(d.id)], d, rate[d.id]);
    for (int id = 0; id < kScsiIds; ++id) {
        if (!rate[id] || !rate[id]->rate)
            continue;
        DeviceEntry &entry = image.deviceTable[static_cast<std::size_t>(id)];
        const std::string field = rate[id]->path + ".rate";
        // A rate that the entry's code shows already is that code, "--" included.
        std::uint16_t code = entry.syncCode.get();
        if (RateText(code, entry.busWidth) != *rate[id]->rate && !CodeOfRate(*rate[id]->rate, entry.busWidth, code))
            return Refused(adapter, field, *rate[id]->rate, "is no rate at " + std::to_string(entry.busWidth) + " bits");
        if (rate[id]->values[kRateCode] && *rate[id]->values[kRateCode] != code)
            return Refused(adapter, field, *rate[id]->rate, "disagrees with rateCode");
        entry.syncCode.set(code);
    }
    return {};
}

// What the file makes of each target's image: a backup's image, or the
// named settings on top of base (the working records, or what the adapters
// hold).
FileResult Build(const std::vector<Target> &targets, bool images, bool fromHeld, std::vector<NewImage> &built)
{
    for (const Target &t : targets) {
        built.push_back({t.index, t.adapter->port, t.adapter->image});
        if (images)
            continue;
        built.back().image = fromHeld ? heldImages[t.index] : workingRecords[t.index].image;
        FileResult result = SetNamed(*t.adapter, built.back().image);
        if (result.problem != FileProblem::None)
            return result;
    }
    return {};
}

// What differs between what the adapter holds, byte for byte, and the new image.
void ListDifferences(const NewImage &n, std::vector<SettingChange> &changes)
{
    if (AdapterDefaulted(n.index))
        changes.push_back({n.index, n.port, "storedSettings", "invalid", "valid"});
    ListChanges(n.index, n.port, heldImages[n.index], n.image, changes);
}

// Takes an adapter that could not be read out of the targets' check: every
// other problem of the file goes before it, whatever the order of the file.
FileResult Deferred(FileResult &checked)
{
    FileResult unread;
    if (checked.problem == FileProblem::Unread)
        std::swap(unread, checked);
    return unread;
}

// Runs one of the three; on any problem, memory running out included, it lists no change.
template <typename Body>
FileResult Guarded(int port, std::vector<SettingChange> &changes, Body body)
{
    changes.clear();
    try {
        const FileResult result = body();
        if (result.problem != FileProblem::None)
            changes.clear();
        return result;
    } catch (...) {
        changes.clear();
        return Problem(FileProblem::CannotRead, port, {}, "out of memory");
    }
}

}  // namespace

FileResult RestoreBackup(const SettingsFile &file, int port, bool otherComputer, std::vector<SettingChange> &changes)
{
    return Guarded(port, changes, [&] {
        std::vector<Target> targets;
        std::vector<NewImage> images;
        FileResult result = CheckTargets(file, port, FileUse::Restore, otherComputer, targets);
        const FileResult unread = Deferred(result);
        if (result.problem == FileProblem::None)
            result = Build(targets, true, true, images);
        // Defaults that stand in for invalid settings are not the adapter's: nothing is compared with them.
        for (std::size_t n = 0; n < images.size() && result.problem == FileProblem::None; ++n)
            result = CheckRules(*targets[n].adapter, images[n].index,
                                AdapterDefaulted(images[n].index) ? nullptr : &heldImages[images[n].index],
                                images[n].image);
        if (result.problem == FileProblem::None)
            result = unread;
        if (result.problem != FileProblem::None)
            return result;
        for (const NewImage &n : images)
            ListDifferences(n, changes);
        for (const NewImage &n : images) {
            // An adapter whose stored settings were invalid is written whatever its image.
            AdapterRecord &record = workingRecords[n.index];
            record.modified = AdapterDefaulted(n.index) || !Same(n.image, heldImages[n.index]) ? 1 : 0;
            record.image = n.image;
        }
        return FileResult();
    });
}

FileResult ApplySettings(const SettingsFile &file, int port, std::vector<SettingChange> &changes)
{
    return Guarded(port, changes, [&] {
        std::vector<Target> targets;
        std::vector<NewImage> images;
        FileResult result = CheckTargets(file, port, FileUse::Apply, false, targets);
        const FileResult unread = Deferred(result);
        if (result.problem == FileProblem::None)
            result = Build(targets, false, false, images);
        for (std::size_t n = 0; n < images.size() && result.problem == FileProblem::None; ++n)
            result = CheckRules(*targets[n].adapter, images[n].index, &heldImages[images[n].index], images[n].image);
        if (result.problem == FileProblem::None)
            result = unread;
        if (result.problem != FileProblem::None)
            return result;
        // What the adapter holds as the records see it (the windows' edits are not on it yet).
        for (const NewImage &n : images)
            ListChanges(n.index, n.port, savedRecords[n.index].image, n.image, changes);
        for (const NewImage &n : images) {
            AdapterRecord &record = workingRecords[n.index];
            if (Same(record.image, n.image))
                continue;
            record.image = n.image;
            record.modified = 1;
        }
        return FileResult();
    });
}

FileResult VerifySettings(const SettingsFile &file, int port, bool otherComputer, std::vector<SettingChange> &changes)
{
    return Guarded(port, changes, [&] {
        std::vector<Target> targets;
        std::vector<NewImage> images;
        FileResult result = CheckTargets(file, port, FileUse::Verify, otherComputer, targets);
        const FileResult unread = Deferred(result);
        if (result.problem == FileProblem::None)
            result = Build(targets, file.kind == FileKind::Backup, true, images);
        if (result.problem == FileProblem::None)
            result = unread;
        if (result.problem != FileProblem::None)
            return result;
        for (const NewImage &n : images)
            ListDifferences(n, changes);
        return FileResult();
    });
}
