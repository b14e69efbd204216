#include "store/adapters.h"

#include "discovery/device_map.h"
#include "store/adapter_record.h"
#include "store/settings_transport.h"

int AdapterPort(int adapter)
{
    if (adapter < 0 || adapter >= adapterCount || adapter >= kMaxAdapters || !deviceMaps[adapter])
        return -1;
    return deviceMaps[adapter]->portNumber;
}

int AdapterAtPort(int port)
{
    for (int i = 0; i < adapterCount && i < kMaxAdapters; ++i)
        if (port >= 0 && AdapterPort(i) == port)
            return i;
    return -1;
}

bool AdapterUnread(int adapter)
{
    return adapter < 0 || adapter >= kMaxAdapters || savedRecords[adapter].chipType == 0;
}

bool AdapterDefaulted(int adapter)
{
    return !AdapterUnread(adapter) && (savedRecords[adapter].image.adapterFlags.get() & kDefaultsSubstituted);
}

bool AdapterUsable(int adapter)
{
    return !AdapterUnread(adapter) && !AdapterDefaulted(adapter);
}

const SettingsImage &HeldImage(int adapter)
{
    return AdapterUsable(adapter) ? heldImages[adapter] : workingRecords[adapter].image;
}

bool LoadAdapters(ImageLoad load)
{
    LoadAllAdapterSettings(&adapterCount, load);
    if (adapterCount == 0)
        return false;
    for (int i = 0; i < adapterCount; ++i)
        workingRecords[i] = savedRecords[i];
    ReadPortResources();
    return true;
}
