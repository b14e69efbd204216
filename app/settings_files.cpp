#include "app/settings_files.h"

#include <commdlg.h>

#include <vector>

#include "app/main_window.h"
#include "app/shell.h"
#include "app/texts.h"
#include "event_log/event_log.h"
#include "language/resource_ids.h"
#include "settings_file/history_folder.h"
#include "settings_file/settings_file.h"
#include "store/adapter_record.h"
#include "store/adapters.h"
#include "store/settings_transport.h"
#include "store/utf8.h"

namespace {

constexpr int kFieldRoom = 128;

using FileDialog = BOOL(WINAPI *)(OPENFILENAMEW *);

// The platform's file dialogs come from a library that pulls in many more:
// loaded with the program, they would cost every start. It is loaded from
// the system folder, by its full name, when a file is first chosen.
FileDialog FileDialogOf(bool save)
{
    static HMODULE library = [] {
        wchar_t path[MAX_PATH];
        const UINT length = GetSystemDirectoryW(path, MAX_PATH - 16);
        if (length == 0 || length >= MAX_PATH - 16)
            return static_cast<HMODULE>(nullptr);
        lstrcatW(path, L"\\comdlg32.dll");
        return LoadLibraryW(path);
    }();
    if (!library)
        return nullptr;
    return reinterpret_cast<FileDialog>(
        reinterpret_cast<void *>(GetProcAddress(library, save ? "GetSaveFileNameW" : "GetOpenFileNameW")));
}

// Asks for a file with the platform's dialog; false when the user cancels.
bool ChooseFile(HWND owner, bool save, wchar_t (&path)[MAX_PATH])
{
    // The filter's text, then its pattern and the list's second terminator.
    wchar_t filter[StringRoom(IDS_FILE_FILTER) + 8] = {};
    int n = LoadText(IDS_FILE_FILTER, filter, StringRoom(IDS_FILE_FILTER));
    lstrcpyW(filter + n + 1, L"*.json");
    wchar_t title[StringRoom(IDS_BACKUP_TITLE)];
    LoadText(save ? IDS_BACKUP_TITLE : IDS_RESTORE_TITLE, title, StringRoom(IDS_BACKUP_TITLE));
    path[0] = 0;
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = L"json";
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    // A restore first looks among the settings kept before each change, where they are safe to read.
    HistoryFolder history;
    if (!save && (history = OpenHistoryFolder(false)).check == FolderCheck::Usable)
        dialog.lpstrInitialDir = history.path.c_str();
    CloseHistoryFolder(history);
    const FileDialog ask = FileDialogOf(save);
    return ask && ask(&dialog) != 0;
}

void Show(HWND owner, UINT icon)
{
    MessageBoxW(owner, textBuffer, windowCaption, MB_OK | icon);
}

// Why a file was refused: the file named, then the problem's own words.
void ShowRefusal(HWND owner, const wchar_t *path, const FileResult &result)
{
    LoadText(IDS_FILE_REFUSED, stringBuffer);
    int n = wsprintfW(textBuffer, stringBuffer, path);
    textBuffer[n++] = L'\n';
    DescribeRefusal(result, textBuffer + n);
    Show(owner, MB_ICONWARNING);
}

// Reads every adapter again before a file is made from what the adapters
// hold or compared with it, taking what another program changed meanwhile
// (the user's changes kept on top, as a save takes it). False, after saying
// which adapter, when one could not be read: then nothing is done.
bool ReadAdaptersFirst(HWND window)
{
    std::uint32_t merged = 0;
    const std::uint32_t failed = ReadAdaptersAgain(&merged);
    if (merged)
        InvalidateRect(window, nullptr, TRUE);
    ReportUnwritten(window, merged, merged);
    for (int i = 0; i < adapterCount && i < kMaxAdapters; ++i)
        if (failed & (1u << i)) {
            LoadText(IDS_REREAD_FAILED, stringBuffer);
            wsprintfW(textBuffer, stringBuffer, AdapterPort(i));
            Show(window, MB_ICONWARNING);
            return false;
        }
    return true;
}

// What a backup may hold: an adapter whose stored image was read and valid.
// Asked before the file is, so that no file is chosen for nothing.
bool AnyAdapterToBackUp()
{
    for (int i = 0; i < adapterCount; ++i)
        if (AdapterUsable(i))
            return true;
    return false;
}

}  // namespace

void DescribeRefusal(const FileResult &result, wchar_t *out)
{
    wchar_t field[kFieldRoom];
    lstrcpynW(field, Wide(result.field).c_str(), kFieldRoom - 8);
    auto text = [&](UINT id) {
        LoadText(id, stringBuffer);
        return stringBuffer;
    };
    out[0] = 0;
    switch (result.problem) {
    case FileProblem::None:
        break;
    case FileProblem::CannotRead:
    case FileProblem::Exists:
    case FileProblem::CannotWrite:
        lstrcpyW(out, text(IDS_FILE_CANNOT_READ));
        break;
    case FileProblem::TooLarge:
        lstrcpyW(out, text(IDS_FILE_TOO_LARGE));
        break;
    case FileProblem::Empty:
        lstrcpyW(out, text(IDS_FILE_EMPTY));
        break;
    case FileProblem::NotJson:
        wsprintfW(out, text(IDS_FILE_NOT_JSON), result.line);
        break;
    case FileProblem::FutureFormat:
        lstrcpyW(out, text(IDS_FILE_FUTURE));
        break;
    case FileProblem::UnknownKey:
        wsprintfW(out, text(IDS_FILE_UNKNOWN_KEY), field);
        break;
    case FileProblem::BadValue:
    case FileProblem::NotBackup:
        wsprintfW(out, text(IDS_FILE_BAD_VALUE), field);
        break;
    case FileProblem::DuplicatePort:
        wsprintfW(out, text(IDS_FILE_DUPLICATE), result.port);
        break;
    case FileProblem::NoSuchAdapter:
        wsprintfW(out, text(IDS_FILE_NO_ADAPTER), result.port);
        break;
    case FileProblem::OtherChip:
        wsprintfW(out, text(IDS_FILE_OTHER_CHIP), result.port);
        break;
    case FileProblem::BadImage:
        wsprintfW(out, text(IDS_FILE_BAD_IMAGE), result.port);
        break;
    case FileProblem::EditedBackup:
        wsprintfW(out, text(IDS_FILE_EDITED), result.port, field);
        break;
    case FileProblem::InvalidAdapter:
    case FileProblem::Unread:
        wsprintfW(out, text(IDS_FILE_INVALID), result.port);
        break;
    case FileProblem::OtherComputer: {
        wchar_t theirs[64], ours[64];
        lstrcpynW(theirs, Wide(result.value).c_str(), 64);
        lstrcpynW(ours, Wide(ThisComputer()).c_str(), 64);
        wsprintfW(out, text(IDS_FILE_OTHER_COMPUTER), theirs, ours);
        break;
    }
    case FileProblem::Refused:
        wsprintfW(out, text(IDS_FILE_REFUSED_RULE), result.port, field);
        break;
    }
}

void BackUpSettings(HWND window)
{
    if (!AnyAdapterToBackUp()) {
        LoadText(IDS_BACKUP_NONE, textBuffer);
        Show(window, MB_ICONWARNING);
        return;
    }
    wchar_t path[MAX_PATH];
    if (!ChooseFile(window, true, path) || !ReadAdaptersFirst(window))
        return;
    std::vector<int> skipped;
    const FileResult result = WriteBackup(path, -1, true, skipped);
    if (result.problem == FileProblem::InvalidAdapter || result.problem == FileProblem::NoSuchAdapter) {
        LoadText(IDS_BACKUP_NONE, textBuffer);
        Show(window, MB_ICONWARNING);
        return;
    }
    if (result.problem != FileProblem::None) {
        LoadText(IDS_BACKUP_FAILED, stringBuffer);
        wsprintfW(textBuffer, stringBuffer, path);
        Show(window, MB_ICONWARNING);
        return;
    }
    LoadText(skipped.empty() ? IDS_BACKUP_DONE : IDS_BACKUP_PARTIAL, stringBuffer);
    wsprintfW(textBuffer, stringBuffer, path, static_cast<int>(skipped.size()));
    Show(window, skipped.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
}

void RestoreSettings(HWND window)
{
    wchar_t path[MAX_PATH];
    if (!ChooseFile(window, false, path) || !ReadAdaptersFirst(window))
        return;
    SettingsFile file;
    std::vector<SettingChange> changes;
    FileResult result = ReadSettingsFile(path, file);
    if (result.problem == FileProblem::None)
        result = file.kind == FileKind::Backup ? RestoreBackup(file, -1, false, changes) : ApplySettings(file, -1, changes);
    if (result.problem != FileProblem::None) {
        ShowRefusal(window, path, result);
        return;
    }
    if (changes.empty()) {
        LoadText(IDS_RESTORE_SAME, stringBuffer);
        wsprintfW(textBuffer, stringBuffer, path);
        Show(window, MB_ICONINFORMATION);
        return;
    }
    bool touched[kMaxAdapters] = {};
    int adapters = 0;
    for (const SettingChange &change : changes)
        if (change.adapter >= 0 && change.adapter < kMaxAdapters && !touched[change.adapter]) {
            touched[change.adapter] = true;
            SetAdapterFile(change.adapter, path);  // named in the record of its next write
            ++adapters;
        }
    LoadText(IDS_RESTORE_DONE, stringBuffer);
    wsprintfW(textBuffer, stringBuffer, path, static_cast<int>(changes.size()), adapters);
    Show(window, MB_ICONINFORMATION);
}
