// One adapter's settings as the program holds them, and the global copies
// through which an image travels from the read to the write.
#pragma once

#include <cstdint>

#include "store/settings_image.h"

constexpr int kMaxAdapters = 32;

struct AdapterRecord {
    std::uint8_t chipType;     // chip code from the driver's status; 0 = no usable image
    std::uint8_t modified;     // 1 once edited in this run
    std::uint32_t imageLength; // length the driver returned; length of every later write
    SettingsImage image;
};

extern AdapterRecord savedRecords[kMaxAdapters];
extern AdapterRecord workingRecords[kMaxAdapters];
extern int adapterCount;
extern SettingsImage editImage;
