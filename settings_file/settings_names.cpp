// The named settings of an image in the English words of the rows, and what
// differs between two images.
#include <windows.h>

#include <cstring>

#include "discovery/device_map.h"
#include "settings_file/settings_internal.h"
#include "store/chip_table.h"
#include "store/rate_display.h"

const char *OnOff(bool on)
{
    return on ? "On" : "Off";
}

const char *EnabledDisabled(bool on)
{
    return on ? "Enabled" : "Disabled";
}

const char *YesNo(bool yes)
{
    return yes ? "Yes" : "No";
}

const char *TranslationWord(std::uint16_t adapterOption)
{
    return adapterOption ? "Extended" : "Standard";
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

std::vector<NamedValue> NamedValuesOf(const SettingsImage &image)
{
    const std::uint16_t flags = image.adapterFlags.get();
    std::vector<NamedValue> values = {
        {"parityChecking", OnOff(flags & kAdapterFlagOption0)},
        {"busResetAtStart", EnabledDisabled(flags & kAdapterFlagOption1)},
        {"hostId", std::to_string(image.hostId)},
        {"diskTranslation", TranslationWord(image.adapterOption.get())},
    };
    for (int id = 0; id < kScsiIds; ++id) {
        const DeviceEntry &e = image.deviceTable[static_cast<std::size_t>(id)];
        const std::string at = "devices[" + std::to_string(id) + "].";
        values.push_back({at + "rateCode", std::to_string(e.syncCode.get())});
        values.push_back({at + "rate", RateText(e.syncCode.get(), e.busWidth)});
        values.push_back({at + "busWidth", std::to_string(e.busWidth)});
        values.push_back({at + "disconnection", OnOff(e.deviceFlags & 1)});
        values.push_back({at + "timeout", std::to_string(e.deviceValue.get())});
        values.push_back({at + "sendStartUnit", YesNo(e.deviceFlags & 2)});
        values.push_back({at + "scanAtStart", YesNo(e.deviceFlags & 4)});
        values.push_back({at + "taggedQueuing", EnabledDisabled(e.deviceFlags & 8)});
    }
    return values;
}

namespace {

// The image with every named field cleared: what is left is what no name covers.
SettingsImage Uninterpreted(SettingsImage image)
{
    image.adapterFlags.set(static_cast<std::uint16_t>(image.adapterFlags.get() &
                                                      ~(kAdapterFlagOption0 | kAdapterFlagOption1)));
    image.adapterOption.set(0);
    image.hostId = 0;
    for (DeviceEntry &e : image.deviceTable) {
        e.deviceFlags &= 0xF0;
        e.busWidth = 0;
        e.syncCode.set(0);
        e.deviceValue.set(0);
    }
    return image;
}

}  // namespace

void ListChanges(int adapter, int port, const SettingsImage &before, const SettingsImage &after,
                 std::vector<SettingChange> &changes)
{
    const std::vector<NamedValue> was = NamedValuesOf(before);
    const std::vector<NamedValue> now = NamedValuesOf(after);
    for (std::size_t i = 0; i < was.size(); ++i)
        if (was[i].text != now[i].text)
            changes.push_back({adapter, port, was[i].field, was[i].text, now[i].text});
    const SettingsImage a = Uninterpreted(before), b = Uninterpreted(after);
    const auto *pa = reinterpret_cast<const std::uint8_t *>(&a);
    const auto *pb = reinterpret_cast<const std::uint8_t *>(&b);
    int differ = 0;
    for (std::size_t i = 0; i < kImageSize; ++i)
        differ += pa[i] != pb[i];
    if (differ)
        changes.push_back({adapter, port, "otherBytes", "", std::to_string(differ) + " changed"});
}

std::string ChipNameUtf8(std::uint8_t chipType)
{
    char name[64] = {};
    WideCharToMultiByte(CP_UTF8, 0, ChipName(chipType), -1, name, sizeof(name) - 1, nullptr, nullptr);
    return name;
}

int AdapterAtPort(int port)
{
    for (int i = 0; i < adapterCount && i < kMaxAdapters; ++i)
        if (deviceMaps[i] && deviceMaps[i]->portNumber == port)
            return i;
    return -1;
}

FileResult Problem(FileProblem problem, int port, std::string field, std::string detail)
{
    FileResult result;
    result.problem = problem;
    result.port = port;
    result.field = std::move(field);
    result.detail = std::move(detail);
    return result;
}

int ExitCodeOf(const FileResult &result)
{
    switch (result.problem) {
    case FileProblem::None:
        return 0;
    case FileProblem::CannotRead:
    case FileProblem::TooLarge:
    case FileProblem::Empty:
    case FileProblem::NotJson:
    case FileProblem::FutureFormat:
    case FileProblem::UnknownKey:
    case FileProblem::BadValue:
    case FileProblem::CannotWrite:
    case FileProblem::NotBackup:
        return 1;
    case FileProblem::DuplicatePort:
    case FileProblem::NoSuchAdapter:
    case FileProblem::OtherChip:
    case FileProblem::BadImage:
    case FileProblem::EditedBackup:
    case FileProblem::InvalidAdapter:
    case FileProblem::Refused:
        return 2;
    }
    return 1;
}

std::vector<std::pair<std::string, std::string>> NamedSettings(int adapter)
{
    std::vector<std::pair<std::string, std::string>> named;
    if (adapter < 0 || adapter >= kMaxAdapters || !savedRecords[adapter].chipType)
        return named;
    try {
        for (NamedValue &v : NamedValuesOf(savedRecords[adapter].image))
            named.emplace_back(std::move(v.field), std::move(v.text));
    } catch (...) {
        named.clear();
    }
    return named;
}
