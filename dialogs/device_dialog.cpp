// The device dialog: one device entry's rate, width, four options and value,
// each changed through a picker. On the host adapter's own row it stands for
// all 16 devices: a column that differs among them shows the mixed text
// until it is changed, and the change flags tell the device table what to
// copy to every entry.
#include "app/message_box.h"
#include "app/shell.h"
#include "dialogs/dialog_shared.h"
#include "dialogs/dialogs.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "store/chip_table.h"
#include "store/defaults.h"
#include "store/rate_display.h"

DeviceEntry editEntry;
int rateChanged;
int widthChanged;
int option0Changed;
int valueChanged;
int option1Changed;
int option2Changed;
int option3Changed;

namespace {

void ClearChangeFlags()
{
    rateChanged = widthChanged = option0Changed = valueChanged = 0;
    option1Changed = option2Changed = option3Changed = 0;
}

// Appends to p the value text of a row; returns the characters written.
int ValueText(wchar_t *p, int row)
{
    auto word = [&](const wchar_t *format, UINT set, UINT clear, unsigned bit) {
        LoadText((editEntry.deviceFlags & bit) ? set : clear, stringBuffer);
        return wsprintfW(p, format, stringBuffer);
    };
    switch (row) {
    case 0: {
        const ShownRate rate = LookupRate(editEntry.syncCode.get(), editEntry.busWidth);
        if (rate.kind == RateKind::Async) {
            LoadText(IDS_WORD_OFF, stringBuffer);
            return wsprintfW(p, L"%s", stringBuffer);
        }
        return rate.kind == RateKind::Number ? wsprintfW(p, RateNumberFormat(rate.megabytes, false), rate.megabytes)
                                             : 0;
    }
    case 1:
        return wsprintfW(p, L"%2d", editEntry.busWidth);
    case 2:
        return word(L"%s\t", IDS_WORD_ON, IDS_WORD_OFF, kDeviceOption0);
    case 3:
        return wsprintfW(p, L"%d", editEntry.deviceValue.get());
    case 4:
        return word(L"%s\t", IDS_WORD_YES, IDS_WORD_NO_DEVICE, kDeviceOption1);
    case 5:
        return word(L"%s\t", IDS_WORD_YES, IDS_WORD_NO_DEVICE, kDeviceOption2);
    default:
        return word(L"%s", IDS_WORD_ENABLED, IDS_WORD_DISABLED, kDeviceOption3);
    }
}

int MixedText(wchar_t *p, int row)
{
    if (row < 6) {
        LoadText(IDS_MIXED, stringBuffer);
        return wsprintfW(p, L"  %s", stringBuffer);
    }
    int n = 0;
    for (int i = 0; i < 3; ++i)
        n += LoadText(IDS_MIXED, stringBuffer + n, kStringRoom - n);
    return wsprintfW(p, L"%s\t", stringBuffer);
}

bool ShowsValue(int row)
{
    const DeviceTable &table = editImage.deviceTable;
    const bool uniform[7] = {IsSyncUniform(table) != 0,      IsWidthUniform(table) != 0,
                             IsFlagUniform(table, kDeviceOption0) != 0,   IsValueUniform(table) != 0,
                             IsFlagUniform(table, kDeviceOption1) != 0,   IsFlagUniform(table, kDeviceOption2) != 0,
                             IsFlagUniform(table, kDeviceOption3) != 0};
    const int changed[7] = {rateChanged,   widthChanged,   option0Changed, valueChanged,
                            option1Changed, option2Changed, option3Changed};
    return uniform[row] || currentDevice != editImage.hostId || changed[row];
}

void Paint(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
    MeasureDialogFont(dc);
    LoadText(IDS_DEVICE_HEADER, stringBuffer);
    int n = wsprintfW(textBuffer, L"%s", stringBuffer);
    n += wsprintfW(textBuffer + n, L"%02d ", currentDevice);
    DrawBandedHeader(dc, 5 * charWidth, lineHeight, textBuffer, n);
    SelectObject(dc, oldFont);

    for (int row = 0; row < 7; ++row) {
        LoadText(IDS_DEVICE_ROW0 + static_cast<UINT>(row), stringBuffer);
        wchar_t *p = textBuffer + wsprintfW(textBuffer, L"%s", stringBuffer);
        if (ShowsValue(row))
            ValueText(p, row);
        else
            MixedText(p, row);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(textBuffer));
    }
    EndPaint(dialog, &paint);
    SetFocus(list);
}

// Ends with 1 when the picker made a choice; 0 when it was left without one,
// -1 when it could not be opened. Only a choice changes the entry.
INT_PTR Pick(HWND dialog, UINT templateId, DLGPROC proc)
{
    return DialogBoxParamW(languageModule, MAKEINTRESOURCEW(templateId), dialog, proc, 0);
}

void PickOption(HWND dialog, UINT templateId, std::uint8_t bit, int &changed)
{
    if (Pick(dialog, templateId, YesNoDlgProc) != 1 || (!yesChosen && !noChosen))
        return;
    if (yesChosen)
        editEntry.deviceFlags |= bit;
    else
        editEntry.deviceFlags &= static_cast<std::uint8_t>(~bit);
    changed = 1;
    workingRecords[currentAdapter].modified = 1;
}

INT_PTR EditRow(HWND dialog)
{
    const LRESULT row = SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, LB_GETCURSEL, 0, 0);
    AdapterRecord &record = workingRecords[currentAdapter];
    switch (row) {
    case 0:
        if (!IsWidthUniform(editImage.deviceTable) && currentDevice == record.image.hostId) {
            ShowWarning(dialog, IDS_RATE_REFUSED);
            break;
        }
        if (Pick(dialog, IDD_RATE, SyncRateDlgProc) == 1) {
            editEntry.syncCode.set(static_cast<std::uint16_t>(pickerResult));
            record.modified = 1;
        }
        break;
    case 1:
        if (Pick(dialog, IDD_WIDTH, WidthDlgProc) == 1) {
            editEntry.busWidth = static_cast<std::uint8_t>(pickerResult);
            record.modified = 1;
        }
        break;
    case 2:
        PickOption(dialog, IDD_YESNO_OPTION0, kDeviceOption0, option0Changed);
        break;
    case 3:
        if (Pick(dialog, IDD_VALUE, ValueDlgProc) == 1) {
            editEntry.deviceValue.set(static_cast<std::uint16_t>(pickerResult));
            record.modified = 1;
        }
        break;
    case 4:
        PickOption(dialog, IDD_YESNO_OPTION12, kDeviceOption1, option1Changed);
        break;
    case 5:
        PickOption(dialog, IDD_YESNO_OPTION12, kDeviceOption2, option2Changed);
        break;
    case 6:
        PickOption(dialog, IDD_YESNO_OPTION3, kDeviceOption3, option3Changed);
        break;
    default:
        return FALSE;
    }
    PostMessageW(dialog, WM_PAINT, 0, 0);
    return TRUE;
}

INT_PTR Command(HWND dialog, WPARAM wParam)
{
    HWND list = GetDlgItem(dialog, IDC_DEVICE_LIST);
    if (ActsOnRow(wParam, list, IDC_DEVICE_LIST))
        return EditRow(dialog);
    if (KeepsSelection(wParam, list, IDC_DEVICE_LIST))
        return TRUE;
    AdapterRecord &record = workingRecords[currentAdapter];
    switch (LOWORD(wParam)) {
    case IDOK:
        editImage.deviceTable[static_cast<size_t>(currentDevice)] = editEntry;
        EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:
        ClearChangeFlags();
        record.modified = modifiedAtOpen;
        EndDialog(dialog, 0);
        return TRUE;
    case IDC_DEFAULTS:
        FillDefaultDeviceEntry(editEntry, record.chipType);
        rateChanged = widthChanged = option0Changed = valueChanged = 1;
        option1Changed = option2Changed = option3Changed = 1;
        record.modified = 1;
        PostMessageW(dialog, WM_PAINT, 0, 0);
        return TRUE;
    case IDM_HELP: {
        const UINT help[] = {IDS_DEVICE_HELP1, IDS_DEVICE_HELP2};
        ShowJoinedWarning(dialog, help, 2);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK DeviceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ClearChangeFlags();
        editEntry = editImage.deviceTable[static_cast<size_t>(currentDevice)];
        modifiedAtOpen = workingRecords[currentAdapter].modified;
        return TRUE;
    case WM_PAINT:
        Paint(dialog);
        return TRUE;
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(dialog, IDC_DEVICE_LIST));
        return TRUE;
    case WM_COMMAND:
        return Command(dialog, wParam);
    default:
        return FALSE;
    }
}
