// Which transfer rates a chip offers at each bus width: the rate picker's
// buttons and the codes they set, shared by the dialogs and the settings
// files.
#pragma once

#include <array>
#include <cstdint>

constexpr int kRateButtons = 6;  // 40604 asynchronous, 40605..40609 the rates
// [(chipType * 2 + wide) * 6 + i]: nonzero when rate button 40604 + i may be pressed.
extern const std::array<std::uint16_t, 16 * 2 * kRateButtons> rateEnableTable;

// The rate code that button 40604 + button sets, narrow or wide (button 0: asynchronous).
std::uint16_t RateCodeOfButton(int button, bool wide);
// True when the chip's rate picker offers the code at the width: code 0
// always, another code when an enabled button sets it. Every width other
// than 8 counts as wide.
bool RateOffered(std::uint8_t chipType, std::uint16_t syncCode, std::uint8_t busWidth);
