// The named settings of an image in the English words of the rows, and what
// differs between two images of one adapter.
#include "settings_file/settings_internal.h"
#include "store/adapters.h"

std::vector<NamedValue> NamedValuesOf(const SettingsImage &image)
{
    std::vector<NamedValue> values;
    for (const SettingField &field : adapterFields)
        values.push_back({field.key, ShownValue(field, Bytes(image))});
    for (int id = 0; id < kScsiIds; ++id) {
        const std::string at = "devices[" + std::to_string(id) + "].";
        for (const SettingField &field : deviceFields)
            values.push_back({at + field.key, ShownValue(field, Bytes(image.deviceTable[static_cast<std::size_t>(id)]))});
    }
    return values;
}

namespace {

// The image with every named field cleared: what is left is what no name covers.
SettingsImage Uninterpreted(SettingsImage image)
{
    for (const SettingField &field : adapterFields)
        ClearField(field, Bytes(image));
    for (DeviceEntry &e : image.deviceTable)
        for (const SettingField &field : deviceFields)
            ClearField(field, Bytes(e));
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
    int differ = 0;
    for (std::size_t i = 0; i < kImageSize; ++i)
        differ += Bytes(a)[i] != Bytes(b)[i];
    if (differ)
        changes.push_back({adapter, port, "otherBytes", "", std::to_string(differ) + " changed"});
}

std::string ChangeText(const SettingChange &change)
{
    return change.field + ": " + (change.before.empty() ? change.after : change.before + " -> " + change.after);
}

std::vector<std::pair<std::string, std::string>> NamedSettings(int adapter)
{
    std::vector<std::pair<std::string, std::string>> named;
    if (AdapterUnread(adapter))
        return named;
    try {
        for (NamedValue &v : NamedValuesOf(savedRecords[adapter].image))
            named.emplace_back(std::move(v.field), std::move(v.text));
    } catch (...) {
        named.clear();
    }
    return named;
}
