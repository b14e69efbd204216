#include "app/settings_files.h"

#include <commdlg.h>

#include <vector>

#include "app/shell.h"
#include "app/texts.h"
#include "language/resource_ids.h"
#include "settings_file/settings_file.h"
#include "store/adapter_record.h"

namespace {

constexpr int kFieldRoom = 128;

// The string of each problem, and which of port, field and line it is
// formatted with, in that order.
enum Arguments { kNone, kLine, kPort, kField, kPortField };
struct ProblemText {
    FileProblem problem;
    UINT id;
    Arguments arguments;
};
constexpr ProblemText kProblemTexts[] = {
    {FileProblem::CannotRead, IDS_FILE_CANNOT_READ, kNone},
    {FileProblem::TooLarge, IDS_FILE_TOO_LARGE, kNone},
    {FileProblem::Empty, IDS_FILE_EMPTY, kNone},
    {FileProblem::NotJson, IDS_FILE_NOT_JSON, kLine},
    {FileProblem::FutureFormat, IDS_FILE_FUTURE, kNone},
    {FileProblem::UnknownKey, IDS_FILE_UNKNOWN_KEY, kField},
    {FileProblem::BadValue, IDS_FILE_BAD_VALUE, kField},
    {FileProblem::DuplicatePort, IDS_FILE_DUPLICATE, kPort},
    {FileProblem::NoSuchAdapter, IDS_FILE_NO_ADAPTER, kPort},
    {FileProblem::OtherChip, IDS_FILE_OTHER_CHIP, kPort},
    {FileProblem::BadImage, IDS_FILE_BAD_IMAGE, kPort},
    {FileProblem::EditedBackup, IDS_FILE_EDITED, kPortField},
    {FileProblem::InvalidAdapter, IDS_FILE_INVALID, kPort},
    {FileProblem::Refused, IDS_FILE_REFUSED_RULE, kPortField},
};

// Asks for a file with the platform's dialog; false when the user cancels.
bool ChooseFile(HWND owner, bool save, wchar_t (&path)[MAX_PATH])
{
    wchar_t filter[kFilterRoom + 8] = {};
    int n = LoadText(IDS_FILE_FILTER, filter, kFilterRoom);
    lstrcpyW(filter + n + 1, L"*.json");  // then the list's second terminator
    wchar_t title[kFileTitleRoom];
    LoadText(save ? IDS_BACKUP_TITLE : IDS_RESTORE_TITLE, title, kFileTitleRoom);
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
    return (save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)) != 0;
}

void Show(HWND owner, UINT icon)
{
    MessageBoxW(owner, textBuffer, windowCaption, MB_OK | icon);
}

// Why a file was refused: the file named, then the problem's own words.
void ShowRefusal(HWND owner, const wchar_t *path, const FileResult &result)
{
    LoadText(IDS_FILE_REFUSED, stringBuffer, kStringRoom);
    int n = wsprintfW(textBuffer, stringBuffer, path);
    textBuffer[n++] = L'\n';
    textBuffer[n] = 0;
    wchar_t field[kFieldRoom] = {};
    const int bytes = result.field.size() < kFieldRoom - 8 ? static_cast<int>(result.field.size()) : kFieldRoom - 8;
    field[MultiByteToWideChar(CP_UTF8, 0, result.field.data(), bytes, field, kFieldRoom - 1)] = 0;
    for (const ProblemText &p : kProblemTexts) {
        if (p.problem != result.problem)
            continue;
        LoadText(p.id, stringBuffer, kStringRoom);
        wchar_t *out = textBuffer + n;
        switch (p.arguments) {
        case kLine:
            wsprintfW(out, stringBuffer, result.line);
            break;
        case kPort:
            wsprintfW(out, stringBuffer, result.port);
            break;
        case kField:
            wsprintfW(out, stringBuffer, field);
            break;
        case kPortField:
            wsprintfW(out, stringBuffer, result.port, field);
            break;
        case kNone:
            lstrcpyW(out, stringBuffer);
            break;
        }
    }
    Show(owner, MB_ICONWARNING);
}

// What a backup may hold: an adapter whose stored image was read and valid.
// Asked before the file is, so that no file is chosen for nothing.
bool AnyAdapterToBackUp()
{
    for (int i = 0; i < adapterCount; ++i)
        if (savedRecords[i].chipType != 0 && !(savedRecords[i].image.adapterFlags.get() & kDefaultsSubstituted))
            return true;
    return false;
}

}  // namespace

void BackUpSettings(HWND window)
{
    if (!AnyAdapterToBackUp()) {
        LoadText(IDS_BACKUP_NONE, textBuffer, kStringRoom);
        Show(window, MB_ICONWARNING);
        return;
    }
    wchar_t path[MAX_PATH];
    if (!ChooseFile(window, true, path))
        return;
    std::vector<int> skipped;
    const FileResult result = WriteBackup(path, -1, skipped);
    if (result.problem == FileProblem::InvalidAdapter || result.problem == FileProblem::NoSuchAdapter) {
        LoadText(IDS_BACKUP_NONE, textBuffer, kStringRoom);
        Show(window, MB_ICONWARNING);
        return;
    }
    if (result.problem != FileProblem::None) {
        LoadText(IDS_BACKUP_FAILED, stringBuffer, kStringRoom);
        wsprintfW(textBuffer, stringBuffer, path);
        Show(window, MB_ICONWARNING);
        return;
    }
    LoadText(skipped.empty() ? IDS_BACKUP_DONE : IDS_BACKUP_PARTIAL, stringBuffer, kStringRoom);
    wsprintfW(textBuffer, stringBuffer, path, static_cast<int>(skipped.size()));
    Show(window, skipped.empty() ? MB_ICONINFORMATION : MB_ICONWARNING);
}

void RestoreSettings(HWND window)
{
    wchar_t path[MAX_PATH];
    if (!ChooseFile(window, false, path))
        return;
    SettingsFile file;
    std::vector<SettingChange> changes;
    FileResult result = ReadSettingsFile(path, file);
    if (result.problem == FileProblem::None)
        result = file.kind == FileKind::Backup ? RestoreBackup(file, -1, changes) : ApplySettings(file, -1, changes);
    if (result.problem != FileProblem::None) {
        ShowRefusal(window, path, result);
        return;
    }
    if (changes.empty()) {
        LoadText(IDS_RESTORE_SAME, stringBuffer, kStringRoom);
        wsprintfW(textBuffer, stringBuffer, path);
        Show(window, MB_ICONINFORMATION);
        return;
    }
    bool touched[kMaxAdapters] = {};
    int adapters = 0;
    for (const SettingChange &change : changes)
        if (change.adapter >= 0 && change.adapter < kMaxAdapters && !touched[change.adapter]) {
            touched[change.adapter] = true;
            ++adapters;
        }
    LoadText(IDS_RESTORE_DONE, stringBuffer, kStringRoom);
    wsprintfW(textBuffer, stringBuffer, path, static_cast<int>(changes.size()), adapters);
    Show(window, MB_ICONINFORMATION);
}
