#include "app/point_font.h"

#include <cmath>
#include <cstring>

namespace {

// Slightly above 1/72, so that an exact multiple of 72 does not truncate one short.
constexpr float kPointsToInches = 0.013888889f;

}  // namespace

LONG TenthsOfPixels(int tenthsOfPoint, float pixelsPerInch)
{
    return static_cast<LONG>(std::trunc(static_cast<double>(tenthsOfPoint) * pixelsPerInch * kPointsToInches));
}

LONG FontHeightOf(LONG tenthsOfPixels)
{
    return -static_cast<LONG>(std::trunc(std::fabs(static_cast<double>(tenthsOfPixels)) * 0.1 + 0.5));
}

float PhysicalPixelsPerInch(int pixels, int millimetres)
{
    return static_cast<float>(static_cast<double>(pixels) / millimetres * 25.4);
}

HFONT CreatePointFont(HDC dc, const char *face, int height, int width, unsigned attributes, int logicalResolution)
{
    SaveDC(dc);
    SetGraphicsMode(dc, GM_ADVANCED);
    ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowOrgEx(dc, 0, 0, nullptr);

    float rx, ry;
    if (logicalResolution) {
        rx = static_cast<float>(GetDeviceCaps(dc, LOGPIXELSX));
        ry = static_cast<float>(GetDeviceCaps(dc, LOGPIXELSY));
    } else {
        rx = PhysicalPixelsPerInch(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, HORZSIZE));
        ry = PhysicalPixelsPerInch(GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, VERTSIZE));
    }
    POINT size = {TenthsOfPixels(width, rx), TenthsOfPixels(height, ry)};
    DPtoLP(dc, &size, 1);

    LOGFONTA description = {};
    description.lfHeight = FontHeightOf(size.y);
    description.lfWeight = (attributes & kFontBold) ? FW_BOLD : FW_DONTCARE;
    description.lfItalic = (attributes & kFontItalic) ? 1 : 0;
    description.lfUnderline = (attributes & kFontUnderline) ? 1 : 0;
    description.lfStrikeOut = (attributes & kFontStrikeOut) ? 1 : 0;
    description.lfCharSet = ANSI_CHARSET;
    std::strncpy(description.lfFaceName, face, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectA(&description);

    // A requested width scales the face's own average width by width/height;
    // a height that converts to nothing leaves the face's width.
    if (width != 0 && size.y != 0) {
        HGDIOBJ previous = SelectObject(dc, font);
        TEXTMETRICA metrics;
        GetTextMetricsA(dc, &metrics);
        SelectObject(dc, previous);
        DeleteObject(font);
        const double ratio = std::fabs(static_cast<double>(size.x)) / std::fabs(static_cast<double>(size.y));
        description.lfWidth = static_cast<LONG>(std::trunc(ratio * metrics.tmAveCharWidth + 0.5));
        font = CreateFontIndirectA(&description);
    }
    RestoreDC(dc, -1);
    return font;
}
