// The checks of a file against itself (a backup's names against its image)
// and against the adapters found (port, chip, and whether the adapter can
// take the file).
#include "discovery/device_map.h"
#include "settings_file/settings_internal.h"
#include "settings_file/settings_check.h"
#include "store/chip_table.h"

namespace {

template <typename T, typename U>
bool Disagrees(const std::optional<T> &named, U actual)
{
    return named && *named != static_cast<T>(actual);
}

}  // namespace

FileResult CheckAgreement(const FileAdapter &adapter)
{
    const SettingsImage &image = adapter.image;
    const std::string settings = adapter.path + ".settings.";
    auto edited = [&](const std::string &field) {
        return Problem(FileProblem::EditedBackup, adapter.port, field, "disagrees with the image");
    };
    const std::uint16_t flags = image.adapterFlags.get();
    if (Disagrees(adapter.parityChecking, (flags & kAdapterFlagOption0) != 0))
        return edited(settings + "parityChecking");
    if (Disagrees(adapter.busResetAtStart, (flags & kAdapterFlagOption1) != 0))
        return edited(settings + "busResetAtStart");
    if (Disagrees(adapter.hostId, image.hostId))
        return edited(settings + "hostId");
    if (Disagrees(adapter.extendedTranslation, image.adapterOption.get() != 0))
        return edited(settings + "diskTranslation");
    for (const FileDevice &d : adapter.devices) {
        const DeviceEntry &e = image.deviceTable[static_cast<std::size_t>(d.id)];
        const std::string at = d.path + ".";
        if (Disagrees(d.rateCode, e.syncCode.get()))
            return edited(at + "rateCode");
        if (d.rate && *d.rate != RateText(e.syncCode.get(), e.busWidth))
            return edited(at + "rate");
        if (Disagrees(d.busWidth, e.busWidth))
            return edited(at + "busWidth");
        if (Disagrees(d.disconnection, (e.deviceFlags & 1) != 0))
            return edited(at + "disconnection");
        if (Disagrees(d.timeout, e.deviceValue.get()))
            return edited(at + "timeout");
        if (Disagrees(d.sendStartUnit, (e.deviceFlags & 2) != 0))
            return edited(at + "sendStartUnit");
        if (Disagrees(d.scanAtStart, (e.deviceFlags & 4) != 0))
            return edited(at + "scanAtStart");
        if (Disagrees(d.taggedQueuing, (e.deviceFlags & 8) != 0))
            return edited(at + "taggedQueuing");
    }
    return {};
}

FileResult CheckTargets(const SettingsFile &file, int port, bool restore, std::vector<Target> &targets)
{
    targets.clear();
    if (restore && file.kind != FileKind::Backup)
        return Problem(FileProblem::NotBackup, -1, "kind", "a template holds no images to restore");
    bool named = port < 0;
    for (const FileAdapter &adapter : file.adapters) {
        if (port >= 0 && adapter.port != port)
            continue;
        named = true;
        const int index = AdapterAtPort(adapter.port);
        if (index < 0)
            return Problem(FileProblem::NoSuchAdapter, adapter.port, adapter.path + ".port",
                           "no adapter of the family at this port");
        const AdapterRecord &record = workingRecords[index];
        if (!record.chipType)
            return Problem(FileProblem::InvalidAdapter, adapter.port, adapter.path,
                           "the adapter's settings could not be read");
        if (adapter.chipCode && *adapter.chipCode != record.chipType)
            return Problem(FileProblem::OtherChip, adapter.port, adapter.path + ".chipCode",
                           adapter.chip ? *adapter.chip : ChipNameUtf8(*adapter.chipCode));
        if (adapter.chip && *adapter.chip != ChipNameUtf8(record.chipType))
            return Problem(FileProblem::OtherChip, adapter.port, adapter.path + ".chip", *adapter.chip);
        if (!restore && (record.image.adapterFlags.get() & kDefaultsSubstituted))
            return Problem(FileProblem::InvalidAdapter, adapter.port, adapter.path,
                           "the adapter's stored settings were invalid: restore a backup first");
        targets.push_back({&adapter, index});
    }
    if (!named)
        return Problem(FileProblem::NoSuchAdapter, port, {}, "the file names no adapter at this port");
    return {};
}
