// The host ID picker: one button per SCSI ID; an ID at which the device map
// lists a device cannot be chosen, except the adapter's current host ID.
#include "app/shell.h"
#include "dialogs/dialogs.h"
#include "discovery/device_map.h"
#include "language/resource_ids.h"
#include "store/adapter_record.h"
#include "store/chip_table.h"

int pickedHostId;

namespace {

// Disables the IDs at which a device answers. The focus never stays on a
// button that this disables, or the keyboard would reach no control; it
// goes to the ID that the adapter dialog shows, or else to the adapter's
// own ID, which can always be chosen.
void EnableFreeIds(HWND dialog, bool placeFocus)
{
    const AdapterRecord &record = workingRecords[currentAdapter];
    // A narrow adapter has IDs 0 to 7 only; the template decides how 8 to 15 look then.
    const int examined = DefaultBusWidth(record.chipType) == 8 ? 8 : kScsiIds;
    HWND focus = GetFocus();
    const bool focusHere = focus && IsChild(dialog, focus);
    for (int id = 0; id < examined; ++id) {
        const bool taken = DeviceAnswersAt(deviceMaps[currentAdapter], id) && id != record.image.hostId;
        EnableWindow(GetDlgItem(dialog, IDC_HOST_ID_BASE + id), !taken);
    }
    if (focusHere && (!IsWindowEnabled(focus) || GetFocus() != focus))
        placeFocus = true;
    if (!GetFocus() && GetActiveWindow() == dialog)
        placeFocus = true;
    if (!placeFocus)
        return;
    HWND own = nullptr;
    for (int id : {static_cast<int>(editHostId), static_cast<int>(record.image.hostId)}) {
        HWND button = id < kScsiIds ? GetDlgItem(dialog, IDC_HOST_ID_BASE + id) : nullptr;
        if (!own && button && IsWindowEnabled(button))
            own = button;
    }
    if (!own)
        own = GetNextDlgTabItem(dialog, nullptr, FALSE);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(own), TRUE);
}

void Paint(HWND dialog)
{
    PAINTSTRUCT paint;
    BeginPaint(dialog, &paint);
    EnableFreeIds(dialog, false);
    EndPaint(dialog, &paint);
}

}  // namespace

INT_PTR CALLBACK HostIdDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        EnableFreeIds(dialog, true);
        return FALSE;
    case WM_PAINT:
        Paint(dialog);
        return TRUE;
    case WM_COMMAND: {
        if (HIWORD(wParam) != 0)
            return FALSE;
        const int id = LOWORD(wParam);
        // Any other command (Enter, say) picks nothing.
        pickedHostId = id >= IDC_HOST_ID_BASE && id < IDC_HOST_ID_BASE + kScsiIds ? id - IDC_HOST_ID_BASE : 255;
        EndDialog(dialog, 0);
        return TRUE;
    }
    default:
        return FALSE;
    }
}
