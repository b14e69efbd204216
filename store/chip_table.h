// The chip table: names and default transfer settings by chip code.
#pragma once

#include <cstdint>

constexpr int kChipCodes = 16;

extern const wchar_t *const chipNames[kChipCodes];

// Name of a chip code; codes without a table entry have an empty name.
const wchar_t *ChipName(std::uint8_t chipType);
std::uint8_t DefaultBusWidth(std::uint8_t chipType);
std::uint16_t DefaultSyncCode(std::uint8_t chipType);
