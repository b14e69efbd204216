#include "cli/settings_table.h"

#include "cli/output.h"
#include "discovery/device_map.h"
#include "settings_file/settings_file.h"
#include "store/adapter_record.h"
#include "store/adapters.h"
#include "store/chip_table.h"

namespace {

constexpr int kNameWidth = 16;

// The device that answers at the ID, as the device map names it; the host
// adapter's own ID names its chip.
std::string DeviceAt(int adapter, int id)
{
    const DeviceMapEntry *entry = deviceMaps[adapter];
    for (int i = 0; entry && i < kDeviceSlots; ++i)
        if (entry->devices[i].targetId == id) {
            std::string name = Shown(Utf8(entry->devices[i].identifier), kNameWidth);
            return name.size() > kNameWidth ? name.substr(0, kNameWidth) : name;
        }
    if (id == savedRecords[adapter].image.hostId)
        return Utf8(ChipName(savedRecords[adapter].chipType)) + " (host)";
    return "(none)";
}

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

std::string SettingsTable(int adapter)
{
    const std::vector<std::pair<std::string, std::string>> named = NamedSettings(adapter);
    if (named.empty())
        return {};
    std::string text;
    std::size_t n = 0;
    for (; n < named.size() && named[n].first.compare(0, 8, "devices[") != 0; ++n)
        text += "  " + Padded(named[n].first, 18) + named[n].second + "\n";
    // The device columns, in the order of the names: each as wide as its heading.
    std::vector<std::string> columns;
    const std::string first = "devices[0].";
    for (std::size_t k = n; k < named.size() && named[k].first.compare(0, first.size(), first) == 0; ++k)
        columns.push_back(named[k].first.substr(first.size()));
    if (columns.empty())
        return text;
    std::string heading = "  id  " + Padded("device", kNameWidth + 2);
    for (const std::string &column : columns)
        heading += column + "  ";
    text += heading.substr(0, heading.find_last_not_of(' ') + 1) + "\n";
    for (int id = 0; id < kScsiIds; ++id) {
        char number[8];
        wsprintfA(number, "%4d", id);
        std::string line = std::string("") + number + "  " + Padded(DeviceAt(adapter, id), kNameWidth + 2);
        for (const std::string &column : columns)
            line += Padded(named[n++].second, column.size() + 2);
        text += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
    }
    return text;
}
