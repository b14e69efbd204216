#include "settings_file/history_folder.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <array>

#include "ktr_version.h"

namespace {

// Whatever lets an account put, replace or remove a file there, or open it up.
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

// The account that this program runs as.
bool IsSelf(PSID sid)
{
    HANDLE token;
    if (!sid || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    const bool self = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
                      EqualSid(reinterpret_cast<TOKEN_USER *>(buffer)->User.Sid, sid);
    CloseHandle(token);
    return self;
}

// Where files keep no owners of their own, the system gives every one to
// the account that asks, the system's own folder too: there the account
// that runs this program stands for the administrators, and only there.
bool OwnersKept()
{
    static const bool kept = [] {
        wchar_t system[MAX_PATH];
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        PSID owner = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (length == 0 || length >= MAX_PATH ||
            GetNamedSecurityInfoW(system, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                                  &descriptor))
            return true;
        const bool own = IsSelf(owner);
        LocalFree(descriptor);
        return !own;
    }();
    return kept;
}

bool Trusted(PSID sid)
{
    return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           (!OwnersKept() && IsSelf(sid));
}

// Empty when only trusted accounts own it and may write in it; else why not.
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
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == ACCESS_DENIED_OBJECT_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE || header->AceType == SYSTEM_AUDIT_ACE_TYPE ||
            header->AceType == SYSTEM_ALARM_ACE_TYPE || header->AceType == SYSTEM_MANDATORY_LABEL_ACE_TYPE)
            continue;
        const auto *allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE *>(header);
        if (!(allowed->Mask & kWriting))
            continue;
        // An entry of another kind names its account elsewhere: it is not trusted. One
        // that only files made there inherit counts as theirs, but for their makers.
        PSID sid = const_cast<PSID>(static_cast<const void *>(&allowed->SidStart));
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE && (header->AceFlags & INHERIT_ONLY_ACE) &&
            (IsWellKnownSid(sid, WinCreatorOwnerSid) || IsWellKnownSid(sid, WinCreatorGroupSid)))
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || !Trusted(sid))
            return "an account other than Administrators or SYSTEM may change it";
    }
    return {};
}

// Checks what handle is, a folder or a file, as the system reads it back:
// empty when it may be trusted, else why not; error when it cannot be read.
std::string Check(HANDLE handle, bool folder, DWORD &error)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(handle, &information)) {
        error = GetLastError();
        return {};
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != !folder)
        return folder ? "it is a link or not a folder" : "it is a link or a folder";
    if (!folder && information.nNumberOfLinks != 1)
        return "it has another name";
    PSID owner = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    error = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                            nullptr, &access, nullptr, &descriptor);
    if (error)
        return {};
    const std::string why = Untrusted(owner, access);
    LocalFree(descriptor);
    return why;
}

HANDLE OpenHeld(const std::wstring &path, DWORD access, DWORD share, bool folder)
{
    // Opened as itself, never through a link.
    return CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0), nullptr);
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
    const std::wstring above = folder.path.substr(0, folder.path.find_last_of(L'\\'));
    if (make) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(KTR_HISTORY_ACCESS, SDDL_REVISION_1, &descriptor, nullptr)) {
            folder.error = GetLastError();
            return folder;
        }
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
        folder.error = MakeFolder(above, attributes);
        if (!folder.error)
            folder.error = MakeFolder(folder.path, attributes);
        LocalFree(descriptor);
        if (folder.error)
            return folder;
    }
    // Shared with no one who would rename or remove them, and checked as held.
    const std::array<std::pair<const std::wstring *, HANDLE *>, 2> levels = {
        {{&above, &folder.above}, {&folder.path, &folder.handle}}};
    for (const auto &[path, handle] : levels) {
        *handle = OpenHeld(*path, READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, true);
        if (*handle == INVALID_HANDLE_VALUE) {
            folder.error = GetLastError();
            folder.check = folder.error == ERROR_FILE_NOT_FOUND || folder.error == ERROR_PATH_NOT_FOUND
                               ? FolderCheck::Missing
                               : FolderCheck::Failed;
            return folder;
        }
        folder.why = Check(*handle, true, folder.error);
        if (folder.error)
            return folder;
        if (!folder.why.empty()) {
            folder.check = FolderCheck::Unsafe;
            if (handle == &folder.above)
                folder.why = "the folder above it: " + folder.why;
            return folder;
        }
    }
    folder.check = FolderCheck::Usable;
    return folder;
}

void CloseHistoryFolder(HistoryFolder &folder)
{
    for (HANDLE *handle : {&folder.handle, &folder.above}) {
        if (*handle != INVALID_HANDLE_VALUE)
            CloseHandle(*handle);
        *handle = INVALID_HANDLE_VALUE;
    }
}

HANDLE OpenKeptFile(const HistoryFolder &folder, const std::wstring &name, std::string &why)
{
    if (folder.check != FolderCheck::Usable) {
        why = "the history folder is not used";
        return INVALID_HANDLE_VALUE;
    }
    HANDLE file = OpenHeld(folder.path + L"\\" + name, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, false);
    if (file == INVALID_HANDLE_VALUE) {
        why = "it cannot be opened: error " + std::to_string(GetLastError());
        return file;
    }
    DWORD error = 0;
    why = Check(file, false, error);
    if (error)
        why = "it cannot be checked: error " + std::to_string(error);
    if (!why.empty()) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

std::string FolderProblem(const HistoryFolder &folder)
{
    switch (folder.check) {
    case FolderCheck::Usable: return {};
    case FolderCheck::Missing: return "the history folder is not there";
    case FolderCheck::Unsafe: return "the history folder is not used: " + folder.why;
    case FolderCheck::Failed:
        return "the history folder could not be used: error " + std::to_string(folder.error) +
               (folder.error == ERROR_ACCESS_DENIED ? ": run it from an elevated prompt" : "");
    }
    return {};
}
