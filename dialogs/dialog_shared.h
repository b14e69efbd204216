// Pieces that the settings dialogs share.
#pragma once

#include <windows.h>

constexpr COLORREF kHeaderBand = 0x733401;   // RGB 01 34 73
constexpr COLORREF kHeaderText = 0xC0C0C0;
constexpr char kHeaderFace[] = "Lucida Sans Unicode";

// Selects the system fixed font into dc and measures charWidth and lineHeight.
void MeasureDialogFont(HDC dc);

// Loads string id (at most room characters) into buffer; returns its length.
int LoadText(UINT id, wchar_t *buffer, int room);

// Shows the strings one after the other, each loaded with at most room characters, as a warning.
void ShowJoinedWarning(HWND owner, const UINT *ids, int count, int room);

// True when the command is OK while the dialog's list holds the keyboard
// focus, or a double-click in it: both act on the selected row.
bool ActsOnRow(WPARAM wParam, HWND list, int listId);

// A selection change selects the same row again and keeps the focus on the list.
bool KeepsSelection(WPARAM wParam, HWND list, int listId);
