// The adapter dialog: the adapter's two option bits, its own SCSI ID and its
// option word, edited in a buffer that OK writes into the working record.
#include "app/message_box.h"
#include "app/shell.h"
#include "dialogs/dialog_shared.h"
#include "dialogs/dialogs.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "store/chip_table.h"

std::uint16_t editAdapterFlags;
std::uint16_t editAdapterOption;
std::uint8_t editHostId;

namespace {

void AddRow(HWND list, UINT label, const wchar_t *format, UINT word, int number)
{
    wchar_t *p = textBuffer;
    LoadText(label, stringBuffer);
    p += wsprintfW(p, L"%s", stringBuffer);
    if (word) {
        LoadText(word, stringBuffer);
        wsprintfW(p, format, stringBuffer);
    } else {
        wsprintfW(p, format, number);
    }
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(textBuffer));
}

void Paint(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_ADAPTER_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    PAINTSTRUCT paint;
    BeginPaint(dialog, &paint);
    HDC dc = GetDC(dialog);
    HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
    MeasureDialogFont(dc);
    LoadText(IDS_ADAPTER_HEADER, stringBuffer);
    int n = wsprintfW(textBuffer, L"%s", stringBuffer);
    n += wsprintfW(textBuffer + n, L"%s ", ChipName(workingRecords[currentAdapter].chipType));
    DrawBandedHeader(dc, 4 * charWidth, lineHeight, textBuffer, n);
    SelectObject(dc, oldFont);
    ReleaseDC(dialog, dc);

    AddRow(list, IDS_ADAPTER_ROW0, L"  %s", (editAdapterFlags & kAdapterFlagOption0) ? IDS_WORD_ON : IDS_WORD_OFF, 0);
    AddRow(list, IDS_ADAPTER_ROW0 + 1, L"  %s",
           (editAdapterFlags & kAdapterFlagOption1) ? IDS_WORD_ENABLED : IDS_WORD_DISABLED, 0);
    AddRow(list, IDS_ADAPTER_ROW0 + 2, L"  %d\t", 0, editHostId);
    AddRow(list, IDS_ADAPTER_ROW0 + 3, L"  %s", editAdapterOption == 0 ? IDS_WORD_STANDARD : IDS_WORD_EXTENDED, 0);
    EndPaint(dialog, &paint);
    SetFocus(dialog);
}

INT_PTR ActOnRow(HWND dialog)
{
    const LRESULT row = SendDlgItemMessageW(dialog, IDC_ADAPTER_LIST, LB_GETCURSEL, 0, 0);
    AdapterRecord &record = workingRecords[currentAdapter];
    if (record.image.adapterFlags.get() & kDefaultsSubstituted) {
        ShowWarning(dialog, IDS_DEFAULTS_IN_PLACE);
        return TRUE;
    }
    switch (row) {
    case 0:
        editAdapterFlags ^= kAdapterFlagOption0;
        break;
    case 1:
        editAdapterFlags ^= kAdapterFlagOption1;
        break;
    case 2:
        // A picker that could not be opened picks nothing and changes nothing.
        pickedHostId = 255;
        if (DialogBoxParamW(languageModule, MAKEINTRESOURCEW(IDD_HOST_ID), dialog, HostIdDlgProc, 0) == -1)
            return TRUE;
        if (pickedHostId != 255)
            editHostId = static_cast<std::uint8_t>(pickedHostId);
        break;
    case 3:
        editAdapterOption ^= 1;
        break;
    default:
        return FALSE;
    }
    record.modified = 1;
    PostMessageW(dialog, WM_PAINT, 0, 0);
    return TRUE;
}

INT_PTR Command(HWND dialog, WPARAM wParam)
{
    HWND list = GetDlgItem(dialog, IDC_ADAPTER_LIST);
    if (ActsOnRow(wParam, list, IDC_ADAPTER_LIST))
        return ActOnRow(dialog);
    if (KeepsSelection(wParam, list, IDC_ADAPTER_LIST))
        return TRUE;
    AdapterRecord &record = workingRecords[currentAdapter];
    switch (LOWORD(wParam)) {
    case IDOK:
        record.image.adapterFlags.set(editAdapterFlags);
        record.image.adapterOption.set(editAdapterOption);
        record.image.hostId = editHostId;
        EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:
        // What was cancelled is not to be written: the mark goes back to how the dialog found it.
        record.modified = modifiedAtOpen;
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_DEFAULTS:
        editAdapterOption = 0;
        editAdapterFlags = kAdapterFlagOption0 | kAdapterFlagOption1 | kAdapterFlagDefaultBit;
        editHostId = 7;
        record.modified = 1;
        PostMessageW(dialog, WM_PAINT, 0, 0);
        return TRUE;
    case IDM_HELP: {
        const UINT help[] = {IDS_ADAPTER_HELP1, IDS_ADAPTER_HELP1 + 1, IDS_ADAPTER_HELP1 + 2};
        ShowJoinedWarning(dialog, help, 3);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK AdapterDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        const SettingsImage &image = workingRecords[currentAdapter].image;
        editAdapterFlags = image.adapterFlags.get();
        editAdapterOption = image.adapterOption.get();
        editHostId = image.hostId;
        modifiedAtOpen = workingRecords[currentAdapter].modified;
        return TRUE;
    }
    case WM_PAINT:
        Paint(dialog);
        return TRUE;
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(dialog, IDC_ADAPTER_LIST));
        return TRUE;
    case WM_KEYDOWN:
        return TRUE;
    case WM_COMMAND:
        return Command(dialog, wParam);
    default:
        return FALSE;
    }
}
