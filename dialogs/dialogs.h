// The settings dialogs and their pickers, and the state they share.
#pragma once

#include <windows.h>

#include <cstdint>

extern HWND settingsList;  // the list of whichever settings dialog opened last
extern int charWidth;      // of the system fixed font, measured at every dialog paint
extern int lineHeight;

// Adapter dialog (template 111) and its host ID picker (template 112).
extern std::uint16_t editAdapterFlags;
extern std::uint16_t editAdapterOption;
extern std::uint8_t editHostId;
extern int pickedHostId;  // 0..15, or 255 when nothing was picked

INT_PTR CALLBACK AdapterDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HostIdDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
