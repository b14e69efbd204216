#include "dialogs/device_name.h"

#include <cwctype>

#include "app/shell.h"
#include "app/texts.h"
#include "discovery/device_map.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "store/chip_table.h"

namespace {

constexpr int kNameCut = 15;

}  // namespace

void LowerAfterFirst(wchar_t *name)
{
    if (!name[0])
        return;
    for (int i = 1; name[i]; ++i)
        if (std::iswupper(name[i]))
            name[i] = static_cast<wchar_t>(std::towlower(name[i]));
}

void DeviceName(int id, wchar_t *name)
{
    name[0] = 0;
    const DeviceMapEntry *entry = deviceMaps[currentAdapter];
    const DeviceSlot *slot = nullptr;
    for (int i = 0; entry && i < kDeviceSlots && !slot; ++i)
        if (entry->devices[i].targetId == id)
            slot = &entry->devices[i];
    if (slot) {
        lstrcpynW(name, slot->identifier, kNameRoom - 1);
        LowerAfterFirst(name);
        if (lstrlenW(name) > kNameCut) {
            name[kNameCut] = L' ';
            name[kNameCut + 1] = 0;
        }
    } else if (id == editImage.hostId) {
        lstrcpynW(name, ChipName(savedRecords[currentAdapter].chipType), kNameRoom - 1);
        LowerAfterFirst(name);
    } else {
        LoadText(IDS_NO_DEVICE, name, kNameRoom - 1);
    }
    lstrcatW(name, L"\t");
}
