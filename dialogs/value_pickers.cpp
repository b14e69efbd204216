// The device dialog's pickers: transfer rate, bus width, yes or no, and the
// numeric value.
#include "app/shell.h"
#include "dialogs/dialogs.h"
#include "language/resource_ids.h"
#include "store/setting_fields.h"
#include "store/adapter_record.h"
#include "store/rate_rules.h"

int pickerResult;
int yesChosen;
int noChosen;

namespace {

void EnableAllowedRates(HWND dialog)
{
    const std::uint8_t chip = workingRecords[currentAdapter].chipType;
    if (chip >= 16)
        return;  // no chip of the table: no rate is offered
    const int wide = editEntry.busWidth != 8 ? 1 : 0;
    for (int i = 1; i < kRateButtons; ++i)
        if (rateEnableTable[static_cast<size_t>((chip * 2 + wide) * kRateButtons + i)])
            EnableWindow(GetDlgItem(dialog, IDC_RATE_BASE + i), TRUE);
}

bool PaintOnly(HWND dialog)
{
    PAINTSTRUCT paint;
    BeginPaint(dialog, &paint);
    EndPaint(dialog, &paint);
    return true;
}

}  // namespace

// Ends with 1 when a rate was chosen (pickerResult, rateChanged set) and 0
// when the picker was left without a choice, which changes nothing.
INT_PTR CALLBACK SyncRateDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_PAINT:
        EnableAllowedRates(dialog);
        return PaintOnly(dialog);
    case WM_COMMAND: {
        if (HIWORD(wParam) != 0)
            return FALSE;
        const int id = LOWORD(wParam);
        if (id < IDC_RATE_BASE || id >= IDC_RATE_BASE + kRateButtons) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        const int wide = editEntry.busWidth != 8 ? 1 : 0;
        pickerResult = id == IDC_RATE_BASE ? 0 : RateCodeOfButton(id - IDC_RATE_BASE, wide != 0);
        rateChanged = 1;
        EndDialog(dialog, 1);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

// Ends with 1 when a width was chosen (pickerResult, widthChanged set) and 0
// when the picker was left without a choice, which keeps both as they were.
INT_PTR CALLBACK WidthDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_PAINT:
        return PaintOnly(dialog);
    case WM_COMMAND:
        if (HIWORD(wParam) != 0)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_WIDTH_NARROW:
            pickerResult = 8;
            break;
        case IDC_WIDTH_WIDE:
            pickerResult = 16;
            break;
        default:  // Cancel, and any other command, choose no width
            EndDialog(dialog, 0);
            return TRUE;
        }
        widthChanged = 1;
        EndDialog(dialog, 1);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK YesNoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_PAINT:
        return PaintOnly(dialog);
    case WM_COMMAND:
        if (HIWORD(wParam) != 0)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_YES_OPTION0:
        case IDC_YES_OPTION12:
        case IDC_YES_OPTION3:
            yesChosen = 1;
            noChosen = 0;
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_NO_OPTION0:
        case IDC_NO_OPTION12:
        case IDC_NO_OPTION3:
            yesChosen = 0;
            noChosen = 1;
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            yesChosen = noChosen = 0;
            EndDialog(dialog, 0);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

namespace {

// As many characters as the largest timeout has digits: more would be dropped unseen.
constexpr int kValueDigits = AllowedDigits(deviceFields[kTimeout]);

// The number typed: leading blanks, an optional sign, then digits up to the
// first non-digit, from at most the first kValueDigits characters; no
// digits give 0.
int ParseValue(const wchar_t *text)
{
    char narrow[kValueDigits + 1] = {};
    for (int i = 0; i < kValueDigits && text[i]; ++i)
        narrow[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    const char *p = narrow;
    while (*p == ' ' || *p == '\t')
        ++p;
    int sign = 1;
    if (*p == '+' || *p == '-')
        sign = *p++ == '-' ? -1 : 1;
    int value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10 + (*p++ - '0');
    return sign * value;
}

}  // namespace

INT_PTR CALLBACK ValueDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageW(dialog, IDC_VALUE_EDIT, EM_SETLIMITTEXT, kValueDigits, 0);
        return TRUE;
    case WM_PAINT:
        return PaintOnly(dialog);
    case WM_COMMAND:
        if (HIWORD(wParam) != 0)
            return FALSE;
        if (LOWORD(wParam) == IDOK) {
            wchar_t line[9] = {};
            *reinterpret_cast<WORD *>(line) = 8;  // EM_GETLINE takes the room in its first word
            const LRESULT n = SendDlgItemMessageW(dialog, IDC_VALUE_EDIT, EM_GETLINE, 0, reinterpret_cast<LPARAM>(line));
            line[n >= 0 && n <= 8 ? n : 0] = 0;
            pickerResult = ParseValue(line);
            valueChanged = 1;
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
