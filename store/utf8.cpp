#include "store/utf8.h"

#include <windows.h>

std::string Utf8(const wchar_t *text)
{
    const int size = text ? WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr) : 0;
    if (size <= 1)
        return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], size, nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(size - 1));
    return bytes;
}

std::string Utf8(const std::wstring &text)
{
    return Utf8(text.c_str());
}

std::wstring Wide(const std::string &text)
{
    const int size = static_cast<int>(text.size());
    const int chars = size ? MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0) : 0;
    if (chars <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], chars);
    return wide;
}
