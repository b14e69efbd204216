// The main window: the adapter list under two lines of text on the backdrop,
// the save and exit buttons, the menu bar with the per-adapter submenus.
#pragma once

#include <windows.h>

#include <cstdint>

extern HBRUSH backdropBrush;
extern LCID savedThreadLocale;
extern int mainCharWidth;
extern int mainLineHeight;
extern HWND saveButton;
extern HWND exitButton;
extern HWND adapterList;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CreateMainControls(HWND parent, HWND *list, int charWidth, int lineHeight);

// Where CreateMainControls places the controls for a fixed font of the
// given character width and line height, and how far they reach.
struct MainLayout {
    int buttonTop, buttonHeight, listTop, listHeight;
    int right, bottom;
};
MainLayout LayOutMainControls(int charWidth, int lineHeight);

// Widens or lengthens the main window, made 450 by 350 pixels, where the
// measured font places its controls beyond what that size holds.
void FitMainWindow(HWND window);
int BuildAdapterMenus(HWND window);

// Records the language globals as those of the module now in use.
void RememberAppliedLanguage();

// Shows one warning per adapter whose settings were not written: another
// program had changed it since (its settings taken, the user's changes kept
// on top), or the write failed. False when there was none.
bool ReportUnwritten(HWND owner, std::uint32_t unwritten, std::uint32_t changedElsewhere);
