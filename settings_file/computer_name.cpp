// The computer a backup is taken on, and how two of its names compare.
#include <windows.h>

#include "settings_file/settings_internal.h"
#include "store/utf8.h"

std::string ThisComputer()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size))
        return {};
    const std::string text = Utf8(name);
    return NameOfComputer(text) ? text : std::string();
}

bool NameOfComputer(const std::string &name)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        // C0 and DEL, and C1 as UTF-8 writes it.
        if (c < 0x20 || c == 0x7F || (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) < 0xA0))
            return false;
    }
    return true;
}

bool SameComputer(const std::string &a, const std::string &b)
{
    if (a.empty() || !NameOfComputer(a) || !NameOfComputer(b))
        return false;
    const std::wstring x = Wide(a), y = Wide(b);
    return CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(), static_cast<int>(y.size()), TRUE) ==
           CSTR_EQUAL;
}
