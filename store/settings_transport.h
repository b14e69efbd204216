// Moving settings images between the adapters and the records, through the
// family's miniport driver.
#pragma once

#include <windows.h>

#include <cstdint>

#include "store/adapter_record.h"
#include "store/settings_request.h"

// Each adapter's error of its last request that failed, the open's or the
// driver's (ERROR_ACCESS_DENIED: the program lacks the rights); 0 after one
// that succeeded.
extern DWORD requestErrors[kMaxAdapters];

// 0 on success, 1 on failure.
int ReadAdapterSettings(SettingsRequest &request, int adapter);
int WriteAdapterSettings(SettingsRequest &request, int adapter);

// Finds the adapters and reads their images into savedRecords; 1 when at
// least one adapter was found. Reports no adapter, and each failed read.
int LoadAllAdapterSettings(int *count);

// Commits every working record into savedRecords and writes the modified
// ones; a record whose write failed keeps in savedRecords what it held, and
// stays modified. Returns the adapters whose write failed, bit i for adapter i.
std::uint32_t SaveAllAdapterSettings();
