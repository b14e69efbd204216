// The checks of a file against itself (a backup's names against its image)
// and against the adapters found (port, chip, and whether the adapter can
// take the file).
#include "store/adapters.h"
#include "settings_file/settings_internal.h"
#include "settings_file/settings_check.h"
#include "store/chip_table.h"

FileResult CheckAgreement(const FileAdapter &adapter)
{
    auto edited = [&](const std::string &field) {
        return Problem(FileProblem::EditedBackup, adapter.port, field, "disagrees with the image");
    };
    const std::uint8_t *image = Bytes(adapter.image);
    for (int f = 0; f < kAdapterFieldCount; ++f)
        if (adapter.values[f] && *adapter.values[f] != FieldValue(adapterFields[f], image))
            return edited(adapter.path + ".settings." + adapterFields[f].key);
    for (const FileDevice &d : adapter.devices) {
        const std::uint8_t *entry = Bytes(adapter.image.deviceTable[static_cast<std::size_t>(d.id)]);
        for (int f = 0; f < kDeviceFieldCount; ++f) {
            const SettingField &field = deviceFields[f];
            const bool differs = field.kind == FieldKind::Rate ? d.rate && *d.rate != ShownValue(field, entry)
                                                               : d.values[f] && *d.values[f] != FieldValue(field, entry);
            if (differs)
                return edited(d.path + "." + field.key);
        }
    }
    return {};
}

namespace {

// The chip of an adapter, in the words of a refusal.
std::string ChipWords(std::uint8_t chip)
{
    const std::string name = ChipNameUtf8(chip);
    return name.empty() ? "the adapter's chip is code " + std::to_string(chip) : "the adapter is a " + name;
}

}  // namespace

FileResult CheckTargets(const SettingsFile &file, int port, FileUse use, bool otherComputer,
                        std::vector<Target> &targets)
{
    targets.clear();
    if (use == FileUse::Restore && file.kind != FileKind::Backup)
        return Problem(FileProblem::NotBackup, -1, "kind", "a template holds no images to restore");
    if (use != FileUse::Apply && file.kind == FileKind::Backup && !otherComputer &&
        !SameComputer(file.computer, ThisComputer())) {
        FileResult result = Problem(FileProblem::OtherComputer, -1, "computer",
                                    "this computer is " + ThisComputer() +
                                        (use == FileUse::Verify ? "; --other-computer compares with it here"
                                                                : "; --other-computer restores it here"));
        result.value = Shown(file.computer);
        return result;
    }
    bool named = port < 0;
    FileResult unread;
    for (const FileAdapter &adapter : file.adapters) {
        if (port >= 0 && adapter.port != port)
            continue;
        named = true;
        const int index = AdapterAtPort(adapter.port);
        if (index < 0)
            return Problem(FileProblem::NoSuchAdapter, adapter.port, adapter.path + ".port",
                           "no adapter of the family at this port");
        const AdapterRecord &record = workingRecords[index];
        if (AdapterUnread(index)) {
            if (unread.problem == FileProblem::None)
                unread = Problem(FileProblem::Unread, adapter.port, adapter.path, "the adapter's settings could not be read");
            continue;
        }
        if (adapter.chipCode && *adapter.chipCode != record.chipType) {
            FileResult result = Problem(FileProblem::OtherChip, adapter.port, adapter.path + ".chipCode",
                                        ChipWords(record.chipType));
            result.value = adapter.chip ? Shown(*adapter.chip) : std::to_string(*adapter.chipCode);
            return result;
        }
        if (adapter.chip && *adapter.chip != ChipNameUtf8(record.chipType)) {
            FileResult result = Problem(FileProblem::OtherChip, adapter.port, adapter.path + ".chip",
                                        ChipWords(record.chipType));
            result.value = Shown(*adapter.chip);
            return result;
        }
        if (use == FileUse::Apply && (record.image.adapterFlags.get() & kDefaultsSubstituted))
            return Problem(FileProblem::InvalidAdapter, adapter.port, adapter.path,
                           "the adapter's stored settings were invalid: restore a backup first");
        targets.push_back({&adapter, index});
    }
    if (!named)
        return Problem(FileProblem::NoSuchAdapter, port, {}, "the file names no adapter at this port");
    return unread;
}
