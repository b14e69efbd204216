// The one pair of conversions between the programs' UTF-16 texts and the
// UTF-8 of settings files, console output and English words.
#pragma once

#include <string>

std::string Utf8(const wchar_t *text);
std::string Utf8(const std::wstring &text);
// Bytes that are not UTF-8 become U+FFFD.
std::wstring Wide(const std::string &text);
