// The settings dialogs and their pickers, and the state they share.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "store/rate_rules.h"
#include "store/settings_image.h"

extern int charWidth;      // of the system fixed font, measured at every dialog paint
extern int lineHeight;
// The working record's modified mark when the open adapter or device dialog
// opened: Cancel puts it back.
extern std::uint8_t modifiedAtOpen;

// Adapter dialog (template 111) and its host ID picker (template 112).
extern std::uint16_t editAdapterFlags;
extern std::uint16_t editAdapterOption;
extern std::uint8_t editHostId;
extern int pickedHostId;  // 0..15, or 255 when nothing was picked

INT_PTR CALLBACK AdapterDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HostIdDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Device table dialog (template 114), device dialog (116 for the host
// adapter's own row, 117 for the others) and the device dialog's pickers.
extern DeviceEntry editEntry;  // the device dialog's copy of editImage.deviceTable[currentDevice]
extern int rateChanged;
extern int widthChanged;
extern int option0Changed;
extern int valueChanged;
extern int option1Changed;
extern int option2Changed;
extern int option3Changed;
extern int pickerResult;  // the rate, width or value chosen
extern int yesChosen;
extern int noChosen;


INT_PTR CALLBACK DeviceTableDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DeviceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SyncRateDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WidthDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK YesNoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ValueDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
