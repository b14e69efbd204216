// Multi-byte fields of the adapter's settings image, stored little-endian
// byte by byte so that the layout never depends on the host.
#pragma once

#include <array>
#include <cstdint>

struct LeU16 {
    std::array<std::uint8_t, 2> bytes;

    constexpr std::uint16_t get() const
    {
        return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
    }
    constexpr void set(std::uint16_t v)
    {
        bytes[0] = static_cast<std::uint8_t>(v);
        bytes[1] = static_cast<std::uint8_t>(v >> 8);
    }
};

struct LeU32 {
    std::array<std::uint8_t, 4> bytes;

    constexpr std::uint32_t get() const
    {
        return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
               (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    }
    constexpr void set(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

static_assert(sizeof(LeU16) == 2 && alignof(LeU16) == 1, "LeU16 must be two unaligned bytes");
static_assert(sizeof(LeU32) == 4 && alignof(LeU32) == 1, "LeU32 must be four unaligned bytes");
