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

// What each adapter holds, as far as the program knows: the image that the
// driver returned at the load, before the load clears part of it, and after
// each successful write the image written. A save reads the adapter again
// and writes only when it still holds this.
extern SettingsImage heldImages[kMaxAdapters];
