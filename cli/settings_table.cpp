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
            // Cut by characters, an escape counted as one; never inside either.
            const std::string name = Utf8(entry->devices[i].identifier);
            const std::string whole = Shown(name, name.size()), cut = Shown(name, kNameWidth);
            return cut == whole ? whole : cut.substr(0, cut.size() - 3);
        }
    if (id == savedRecords[adapter].image.hostId)
        return Utf8(ChipName(savedRecords[adapter].chipType)) + " (host)";
    return "(none)";
}

// Padded to width characters, a UTF-8 sequence counted as one.
std::string Padded(std::string text, std::size_t width)
{
    std::size_t characters = 0;
    for (char c : text)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (characters < width)
        text.append(width - characters, ' ');
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
