// Pieces that the settings dialogs share.
#pragma once

#include <windows.h>

#include "app/texts.h"

constexpr COLORREF kHeaderBand = 0x733401;   // RGB 01 34 73
constexpr COLORREF kHeaderText = 0xC0C0C0;
constexpr char kHeaderFace[] = "Lucida Sans Unicode";

// Selects the system fixed font into dc and measures charWidth and lineHeight.
void MeasureDialogFont(HDC dc);

// The bold header of the adapter and device dialogs, light grey on a dark blue band.
void DrawBandedHeader(HDC dc, int x, int y, const wchar_t *text, int length);

// Shows the strings one after the other as a warning.
void ShowJoinedWarning(HWND owner, const UINT *ids, int count);

// True when the command is OK while the dialog's list holds the keyboard
// focus, or a double-click in it: both act on the selected row.
bool ActsOnRow(WPARAM wParam, HWND list, int listId);

// A selection change selects the same row again and keeps the focus on the list.
bool KeepsSelection(WPARAM wParam, HWND list, int listId);
