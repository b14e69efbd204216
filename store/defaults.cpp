#include "store/defaults.h"

#include "store/chip_table.h"

void FillDefaultDeviceEntry(DeviceEntry &entry, std::uint8_t chipType)
{
    entry.deviceFlags = 15;
    entry.busWidth = DefaultBusWidth(chipType);
    entry.syncCode.set(DefaultSyncCode(chipType));
    entry.deviceValue.set(10);
}

int FillDefaultSettings(AdapterRecord &record)
{
    SettingsImage &image = record.image;
    image.adapterFlags.set(kAdapterFlagOption0 | kAdapterFlagOption1 | kAdapterFlagDefaultBit);
    image.adapterOption.set(0);
    image.hostId = 7;
    image.hostByte15 = 4;
    image.hostByte16 = 16;
    image.hostByte17 = 4;
    for (DeviceEntry &entry : image.deviceTable)
        FillDefaultDeviceEntry(entry, record.chipType);
    return 0;
}

template <typename Same>
static int AllLikeFirst(const DeviceTable &table, Same same)
{
    for (int n = 1; n < kScsiIds; ++n)
        if (!same(table[0], table[n]))
            return 0;
    return 1;
}

int IsSyncUniform(const DeviceTable &table)
{
    return AllLikeFirst(table, [](const DeviceEntry &a, const DeviceEntry &b) {
        return a.syncCode.get() == b.syncCode.get() && a.busWidth == b.busWidth;
    });
}

int IsWidthUniform(const DeviceTable &table)
{
    return AllLikeFirst(table, [](const DeviceEntry &a, const DeviceEntry &b) { return a.busWidth == b.busWidth; });
}

int IsFlagUniform(const DeviceTable &table, std::uint32_t mask)
{
    return AllLikeFirst(table, [mask](const DeviceEntry &a, const DeviceEntry &b) {
        return (a.deviceFlags & mask) == (b.deviceFlags & mask);
    });
}

int IsValueUniform(const DeviceTable &table)
{
    return AllLikeFirst(table, [](const DeviceEntry &a, const DeviceEntry &b) {
        return a.deviceValue.get() == b.deviceValue.get();
    });
}
