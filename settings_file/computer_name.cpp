// The computer a backup is taken on, and how two of its names compare.
#include <windows.h>

#include "settings_file/settings_internal.h"
#include "store/utf8.h"

std::string ThisComputer()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? Utf8(name) : std::string();
}

bool SameComputer(const std::string &a, const std::string &b)
{
    // A name with a NUL in it would compare as its part before the NUL.
    return a.find('\0') == std::string::npos && b.find('\0') == std::string::npos &&
           lstrcmpiW(Wide(a).c_str(), Wide(b).c_str()) == 0;
}
