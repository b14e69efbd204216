#include "store/adapter_record.h"

AdapterRecord savedRecords[kMaxAdapters];
AdapterRecord workingRecords[kMaxAdapters];
int adapterCount;
SettingsImage editImage;
SettingsImage heldImages[kMaxAdapters];
