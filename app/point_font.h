// Fonts sized in tenths of a typographic point for a given device context.
#pragma once

#include <windows.h>

enum : unsigned {
    kFontBold = 1,
    kFontItalic = 2,
    kFontUnderline = 4,
    kFontStrikeOut = 8,
};

// Height in tenths of device pixels of a size in tenths of a point at the
// given resolution in pixels per inch.
LONG TenthsOfPixels(int tenthsOfPoint, float pixelsPerInch);

// The font height (negative: character height without internal leading) of
// a size in tenths of pixels, rounded to whole pixels.
LONG FontHeightOf(LONG tenthsOfPixels);

// Pixels per inch of a display surface that shows pixels over millimetres.
float PhysicalPixelsPerInch(int pixels, int millimetres);

// Creates the font; the caller selects it and deletes it. The context is
// left with the state it had.
HFONT CreatePointFont(HDC dc, const char *face, int height, int width, unsigned attributes, int logicalResolution);
