// The words of the named settings: as the English module shows them, and as
// a settings file writes them.
#pragma once

#include <cstdint>
#include <string>

#include "store/setting_fields.h"

// As the English module shows it: "On", "7", "Standard", "40".
std::string ShownValue(const SettingField &field, const std::uint8_t *at);
// As a file writes it: true, 7, "standard", "40".
std::string FileValue(const SettingField &field, const std::uint8_t *at);

// The rate as the English module shows it: "40", "5", "Off" for code 0, "--" for an unknown code.
std::string RateText(std::uint16_t syncCode, std::uint8_t busWidth);
// The chip's name in UTF-8; empty for a code without a name.
std::string ChipNameUtf8(std::uint8_t chipType);
// The rate code that shows as the text at the width, or false.
bool CodeOfRate(const std::string &text, std::uint8_t busWidth, std::uint16_t &code);
