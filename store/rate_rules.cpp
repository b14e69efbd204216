#include "store/rate_rules.h"

// Rows by chip code, narrow then wide; flag 0 is always set and never read.
const std::array<std::uint16_t, 16 * 2 * kRateButtons> rateEnableTable = {
    1, 0, 0, 0, 0, 0,  1, 0, 0, 0, 0, 0,  // 0
    1, 1, 1, 0, 0, 0,  1, 0, 0, 0, 0, 0,  // 1
    1, 0, 0, 0, 0, 0,  1, 0, 0, 0, 0, 0,  // 2
    1, 1, 1, 0, 0, 0,  1, 0, 1, 1, 0, 0,  // 3
    1, 1, 1, 0, 0, 0,  1, 0, 0, 0, 0, 0,  // 4
    1, 0, 0, 0, 0, 0,  1, 0, 0, 0, 0, 0,  // 5
    1, 1, 1, 1, 0, 0,  1, 0, 0, 0, 0, 0,  // 6
    1, 0, 0, 0, 0, 0,  1, 0, 0, 0, 0, 0,  // 7
    1, 0, 0, 0, 0, 0,  1, 0, 0, 0, 0, 0,  // 8
    1, 0, 0, 0, 0, 0,  1, 0, 0, 0, 0, 0,  // 9
    1, 0, 0, 0, 0, 0,  1, 0, 0, 0, 0, 0,  // 10
    1, 1, 1, 1, 1, 0,  1, 0, 1, 1, 1, 1,  // 11
    1, 1, 1, 1, 1, 0,  1, 0, 1, 1, 1, 1,  // 12
    1, 1, 1, 1, 0, 0,  1, 0, 1, 1, 1, 0,  // 13
    1, 0, 0, 0, 0, 0,  1, 0, 0, 0, 0, 0,  // 14
    1, 1, 1, 1, 0, 0,  1, 0, 1, 1, 1, 0,  // 15
};

namespace {

// Rate codes of buttons 40605..40609, narrow and wide.
constexpr std::uint16_t kRateCodes[kRateButtons - 1][2] = {{200, 200}, {100, 200}, {48, 100}, {40, 48}, {40, 40}};

}  // namespace

std::uint16_t RateCodeOfButton(int button, bool wide)
{
    if (button <= 0 || button >= kRateButtons)
        return 0;
    return kRateCodes[button - 1][wide ? 1 : 0];
}

bool RateOffered(std::uint8_t chipType, std::uint16_t syncCode, std::uint8_t busWidth)
{
    if (syncCode == 0)
        return true;
    if (chipType >= 16)
        return false;
    const bool wide = busWidth != 8;
    for (int i = 1; i < kRateButtons; ++i)
        if (rateEnableTable[static_cast<std::size_t>((chipType * 2 + (wide ? 1 : 0)) * kRateButtons + i)] &&
            RateCodeOfButton(i, wide) == syncCode)
            return true;
    return false;
}
