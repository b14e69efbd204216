// Default settings by chip, and the tests of whether the 16 device entries
// agree in one column.
#pragma once

#include <array>
#include <cstdint>

#include "store/adapter_record.h"

using DeviceTable = std::array<DeviceEntry, kScsiIds>;

// Writes the default device fields for the chip; bytes 1 and 3 stay.
void FillDefaultDeviceEntry(DeviceEntry &entry, std::uint8_t chipType);
// Writes the default image fields of the record for its chipType; returns 0.
int FillDefaultSettings(AdapterRecord &record);

int IsSyncUniform(const DeviceTable &table);
int IsWidthUniform(const DeviceTable &table);
int IsFlagUniform(const DeviceTable &table, std::uint32_t mask);
int IsValueUniform(const DeviceTable &table);
