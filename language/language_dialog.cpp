// The language dialog: one line per language module found in the program's
// folder, rebuilt at every paint; a choice names the module and the locale.
#include "language/language_selection.h"

#include "app/message_box.h"
#include "app/shell.h"
#include "dialogs/dialog_shared.h"
#include "language/module_file.h"
#include "language/resource_ids.h"

LanguageEntry languages[kMaxLanguages];
std::uint16_t languageCount;

namespace {

constexpr int kLineRoom = 72;

struct ListContext {
    HWND window;
    int listId;
    DWORD error;
    bool lineAdded;  // one line per module: its first language
};

RECT clientRect;

void Append(wchar_t *line, const wchar_t *text)
{
    const int at = lstrlenW(line);
    lstrcpynW(line + at, text, kLineRoom - at);
}

void Choose(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_LANGUAGE_LIST);
    const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index < 0 || index >= languageCount) {
        EndDialog(dialog, 0);
        return;
    }
    const LanguageEntry &e = languages[index];
    lstrcpynW(languageModuleName, e.moduleName, 9);
    currentLcid = e.languageId;
    lstrcpynW(localeName, LocaleNameOf(e.primaryLanguage, e.subLanguage), 32);
    InvalidateRect(mainWindow, &clientRect, TRUE);
    EndDialog(dialog, 1);
}

}  // namespace

BOOL CALLBACK AddLanguageEntry(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context)
{
    auto *list = reinterpret_cast<ListContext *>(context);
    if (list->lineAdded || languageCount == 0)
        return TRUE;
    const unsigned primary = language & 0x3FF, sub = language >> 10;
    wchar_t line[kLineRoom];
    wsprintfW(line, L"%#02x, %#02x  ->  ", primary, sub);
    LanguageEntry &e = languages[languageCount - 1];
    e.primaryLanguage = static_cast<std::uint16_t>(primary);
    e.subLanguage = static_cast<std::uint16_t>(sub);
    e.languageId = (sub << 10) | primary;
    Append(line, PrimaryLanguageName(primary));
    if (sub != 1) {
        Append(line, L" / ");
        if (const wchar_t *subName = SubLanguageName(primary, sub))
            Append(line, subName);
    }
    SendDlgItemMessageW(list->window, list->listId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    list->lineAdded = true;
    return TRUE;
}

DWORD ListLanguageModules(HWND window, int listId, LPCWSTR type, LPCWSTR name)
{
    SendDlgItemMessageW(window, listId, LB_RESETCONTENT, 0, 0);
    languageCount = 0;
    ListContext context = {window, listId, 0, false};
    WIN32_FIND_DATAW found;
    wchar_t path[MAX_PATH];
    if (!InProgramFolder(L"???_lang.DLL", path))
        return ERROR_PATH_NOT_FOUND;
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError();
    do {
        if (languageCount == kMaxLanguages)
            break;  // the first 20 modules are listed
        LanguageEntry &e = languages[languageCount++];
        e = LanguageEntry{};
        lstrcpynW(e.moduleName, found.cFileName, 9);
        context.lineAdded = false;
        HMODULE module = InProgramFolder(found.cFileName, path) ? LoadModuleAsData(path) : nullptr;
        if (!module || !EnumResourceLanguagesW(module, type, name, AddLanguageEntry, reinterpret_cast<LONG_PTR>(&context)))
            context.error = GetLastError();
        if (module)
            FreeLibrary(module);
        if (!context.lineAdded)
            --languageCount;  // a module without a line has no entry either
        if (context.error)
            break;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return context.error;
}

INT_PTR CALLBACK LanguageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    HWND list = GetDlgItem(dialog, IDC_LANGUAGE_LIST);
    switch (message) {
    case WM_INITDIALOG:
        GetClientRect(dialog, &clientRect);
        return TRUE;
    case WM_PAINT: {
        GetClientRect(dialog, &clientRect);
        PAINTSTRUCT paint;
        BeginPaint(dialog, &paint);
        ListLanguageModules(dialog, IDC_LANGUAGE_LIST, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_LANGUAGE_TAG));
        EndPaint(dialog, &paint);
        SetFocus(list);
        return TRUE;
    }
    case WM_SETFOCUS:
        SetFocus(list);
        return TRUE;
    case WM_KEYDOWN:
        return TRUE;
    case WM_COMMAND:
        if (ActsOnRow(wParam, list, IDC_LANGUAGE_LIST)) {
            Choose(dialog);
            return TRUE;
        }
        if (KeepsSelection(wParam, list, IDC_LANGUAGE_LIST))
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDOK:
            InvalidateRect(mainWindow, &clientRect, TRUE);
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDM_HELP:
            ShowWarning(dialog, IDS_TABLE_HELP);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}
