#include "language/module_file.h"

HMODULE languageModule;
wchar_t programFolder[MAX_PATH];

bool FindProgramFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    programFolder[0] = 0;
    if (length == 0 || length >= MAX_PATH)
        return false;
    int end = static_cast<int>(length);
    while (end > 0 && path[end - 1] != L'\\' && path[end - 1] != L'/')
        --end;
    if (end == 0)
        return false;
    lstrcpynW(programFolder, path, end + 1);
    return true;
}

bool InProgramFolder(const wchar_t *fileName, wchar_t *path)
{
    const int folder = lstrlenW(programFolder), name = lstrlenW(fileName);
    if (folder == 0 || folder + name >= MAX_PATH)
        return false;
    lstrcpyW(path, programFolder);
    lstrcpyW(path + folder, fileName);
    return true;
}

HMODULE LoadModuleAsData(const wchar_t *path)
{
    return LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

HMODULE LoadLanguageModule(const wchar_t *name)
{
    wchar_t file[32], path[MAX_PATH];
    if (lstrlenW(name) > 8)
        return nullptr;
    wsprintfW(file, L"%s.dll", name);
    return InProgramFolder(file, path) ? LoadModuleAsData(path) : nullptr;
}

// Older systems lack the call: there the current folder at least leaves the search.
void LimitLibrarySearch()
{
    using SetDirectories = BOOL(WINAPI *)(DWORD);
    auto set = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (!set || !set(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
}
