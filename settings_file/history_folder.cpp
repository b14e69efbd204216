#include "settings_file/history_folder.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "ktr_version.h"

namespace {

// Whatever lets an account put, replace or remove a file there, or open the folder up.
constexpr ACCESS_MASK kWriting = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                 FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// The shell's library pulls in many more; it is loaded from the system
// folder, by its full name, when the folder is first asked for.
using FolderPath = HRESULT(WINAPI *)(HWND, int, HANDLE, DWORD, LPWSTR);

FolderPath FolderPathFunction()
{
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH - 16);
    if (length == 0 || length >= MAX_PATH - 16)
        return nullptr;
    lstrcatW(path, L"\\shell32.dll");
    const HMODULE library = LoadLibraryW(path);
    return library ? reinterpret_cast<FolderPath>(reinterpret_cast<void *>(GetProcAddress(library, "SHGetFolderPathW")))
                   : nullptr;
}

// The account that this program runs as: the system gives a folder that it
// makes to it rather than to Administrators where it keeps no owners of its own.
bool IsSelf(PSID sid)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    const bool self = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
                      EqualSid(reinterpret_cast<TOKEN_USER *>(buffer)->User.Sid, sid);
    CloseHandle(token);
    return self;
}

bool Trusted(PSID sid)
{
    return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsSelf(sid);
}

// Empty when only trusted accounts own and may write the folder; else why not.
std::string Untrusted(PSID owner, PACL access)
{
    if (!owner || !Trusted(owner))
        return "it is owned by an account other than Administrators or SYSTEM";
    if (!access)
        return "everyone may write there";
    for (DWORD i = 0; i < access->AceCount; ++i) {
        ACE_HEADER *header = nullptr;
        if (!GetAce(access, i, reinterpret_cast<void **>(&header)))
            return "its access list cannot be read";
        if (header->AceFlags & INHERIT_ONLY_ACE)
            continue;
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE || header->AceType == SYSTEM_AUDIT_ACE_TYPE ||
            header->AceType == SYSTEM_ALARM_ACE_TYPE || header->AceType == SYSTEM_MANDATORY_LABEL_ACE_TYPE)
            continue;
        const auto *allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE *>(header);
        if (!(allowed->Mask & kWriting))
            continue;
        // An entry of another kind names its account elsewhere: it is not trusted.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE ||
            !Trusted(const_cast<PSID>(static_cast<const void *>(&allowed->SidStart))))
            return "an account other than Administrators or SYSTEM may write there";
    }
    return {};
}

DWORD MakeFolder(const std::wstring &path, SECURITY_ATTRIBUTES &attributes)
{
    if (CreateDirectoryW(path.c_str(), &attributes))
        return 0;
    const DWORD error = GetLastError();
    return error == ERROR_ALREADY_EXISTS ? 0 : error;
}

}  // namespace

std::wstring HistoryFolderPath()
{
    static const FolderPath folderPath = FolderPathFunction();
    wchar_t data[MAX_PATH] = {};
    if (!folderPath || folderPath(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, data) != S_OK || !data[0])
        return {};
    std::wstring path = data;
    if (path.back() != L'\\')
        path += L'\\';
    return path + KTR_HISTORY_FOLDER;
}

HistoryFolder OpenHistoryFolder(bool make)
{
    HistoryFolder folder;
    folder.path = HistoryFolderPath();
    if (folder.path.empty() || folder.path.size() > MAX_PATH - 64) {
        folder.error = ERROR_PATH_NOT_FOUND;
        return folder;
    }
    if (make) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(KTR_HISTORY_ACCESS, SDDL_REVISION_1, &descriptor, nullptr)) {
            folder.error = GetLastError();
            return folder;
        }
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
        const std::wstring above = folder.path.substr(0, folder.path.find_last_of(L'\\'));
        folder.error = MakeFolder(above, attributes);
        if (!folder.error)
            folder.error = MakeFolder(folder.path, attributes);
        LocalFree(descriptor);
        if (folder.error)
            return folder;
    }
    // Opened as itself, never through a link, and shared with no one who would rename or remove it.
    folder.handle = CreateFileW(folder.path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder.handle == INVALID_HANDLE_VALUE) {
        folder.error = GetLastError();
        folder.check = folder.error == ERROR_FILE_NOT_FOUND || folder.error == ERROR_PATH_NOT_FOUND ? FolderCheck::Missing
                                                                                                    : FolderCheck::Failed;
        return folder;
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(folder.handle, &information)) {
        folder.error = GetLastError();
        CloseHistoryFolder(folder);
        return folder;
    }
    if (!(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        folder.check = FolderCheck::Unsafe;
        folder.why = "it is a link or not a folder";
        return folder;
    }
    PSID owner = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    folder.error = GetSecurityInfo(folder.handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                   &owner, nullptr, &access, nullptr, &descriptor);
    if (folder.error)
        return folder;
    folder.why = Untrusted(owner, access);
    LocalFree(descriptor);
    folder.check = folder.why.empty() ? FolderCheck::Usable : FolderCheck::Unsafe;
    return folder;
}

void CloseHistoryFolder(HistoryFolder &folder)
{
    if (folder.handle != INVALID_HANDLE_VALUE)
        CloseHandle(folder.handle);
    folder.handle = INVALID_HANDLE_VALUE;
}

std::string FolderProblem(const HistoryFolder &folder)
{
    switch (folder.check) {
    case FolderCheck::Usable: return {};
    case FolderCheck::Missing: return "the history folder is not there";
    case FolderCheck::Unsafe: return "the history folder is not used: " + folder.why;
    case FolderCheck::Failed: return "the history folder could not be used: error " + std::to_string(folder.error);
    }
    return {};
}
