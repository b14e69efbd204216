// The buffer of one settings request to the family's miniport driver: the
// platform's SRB_IO_CONTROL header followed by the image area. It goes out
// as the input and comes back in place as the output.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "store/little_endian.h"
#include "store/settings_image.h"

constexpr std::uint32_t kIoctlScsiMiniport = 0x0004D008;
constexpr std::uint32_t kSettingsControlCode = 0x804E5643;
constexpr std::uint32_t kRequestHeaderLength = 28;
constexpr std::uint32_t kRequestTimeout = 2;

struct SettingsRequest {
    LeU32 headerLength;
    std::array<std::uint8_t, 8> signature;  // "R400" or "W400" and a zero byte
    LeU32 timeout;
    LeU32 controlCode;
    LeU32 returnCode;  // the driver's status on return
    LeU32 length;      // image bytes carried
    std::array<std::uint8_t, kImageSize> image;
};

static_assert(sizeof(SettingsRequest) == 1288, "a read request is 1288 bytes");
static_assert(offsetof(SettingsRequest, headerLength) == 0, "HeaderLength at 0");
static_assert(offsetof(SettingsRequest, signature) == 4, "Signature at 4");
static_assert(offsetof(SettingsRequest, timeout) == 12, "Timeout at 12");
static_assert(offsetof(SettingsRequest, controlCode) == 16, "ControlCode at 16");
static_assert(offsetof(SettingsRequest, returnCode) == 20, "ReturnCode at 20");
static_assert(offsetof(SettingsRequest, length) == 24, "Length at 24");
static_assert(offsetof(SettingsRequest, image) == kRequestHeaderLength, "image area at 28");
