// The transfer rate shown for a device, in megabytes per second, from its
// rate code and bus width. Every width other than 8 counts as wide.
#pragma once

#include <cstdint>

enum class RateKind { Async, Number, Unknown };

struct ShownRate {
    RateKind kind;
    int megabytes;  // for RateKind::Number
};

ShownRate LookupRate(std::uint16_t syncCode, std::uint8_t busWidth);

// wsprintfW format of a rate number: the narrow rate 5 fills two places.
const wchar_t *RateNumberFormat(int megabytes, bool withTab);
