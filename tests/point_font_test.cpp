// The point-size font helper: its arithmetic, its attributes and the state
// in which it leaves the device context.
#include <gtest/gtest.h>

#include "app/point_font.h"

namespace {

LOGFONTA Described(HFONT font)
{
    LOGFONTA f = {};
    GetObjectA(font, sizeof(f), &f);
    return f;
}

}  // namespace

TEST(PointFont, SizesAtEachResolution)
{
    // 8 points: the worked values at 96, 120, 72 and 144 pixels per inch.
    EXPECT_EQ(TenthsOfPixels(80, 96.0f), 106);
    EXPECT_EQ(TenthsOfPixels(80, 120.0f), 133);
    EXPECT_EQ(TenthsOfPixels(80, 72.0f), 80) << "an exact multiple does not truncate one short";
    EXPECT_EQ(TenthsOfPixels(80, 144.0f), 160);
    EXPECT_EQ(TenthsOfPixels(40, 96.0f), 53);
    EXPECT_EQ(TenthsOfPixels(0, 96.0f), 0);
}

TEST(PointFont, HeightWeightAndStylesOnTheScreen)
{
    HDC dc = CreateCompatibleDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    const LONG tenths = TenthsOfPixels(80, static_cast<float>(dpi));
    HFONT bold = CreatePointFont(dc, "Lucida Sans Unicode", 80, 0, kFontBold, 1);
    LOGFONTA f = Described(bold);
    EXPECT_EQ(f.lfHeight, -((tenths + 5) / 10));
    // 8 points at the classic resolutions; at each the face drawn keeps that size.
    const LONG pixels = dpi == 96 ? 11 : dpi == 120 ? 13 : dpi == 144 ? 16 : -f.lfHeight;
    EXPECT_EQ(f.lfHeight, -pixels) << "at " << dpi << " dots per inch";
    HGDIOBJ old = SelectObject(dc, bold);
    TEXTMETRICW drawn;
    GetTextMetricsW(dc, &drawn);
    SelectObject(dc, old);
    EXPECT_EQ(drawn.tmHeight - drawn.tmInternalLeading, pixels) << "the real font's character height";
    EXPECT_EQ(f.lfWeight, 700);
    EXPECT_EQ(f.lfItalic | f.lfUnderline | f.lfStrikeOut, 0);
    EXPECT_EQ(f.lfWidth, 0);
    EXPECT_EQ(f.lfCharSet, ANSI_CHARSET);
    EXPECT_STREQ(f.lfFaceName, "Lucida Sans Unicode");
    DeleteObject(bold);

    HFONT styled = CreatePointFont(dc, "Lucida Sans Unicode", 80, 0, 14 | 0x30, 1);
    f = Described(styled);
    EXPECT_EQ(f.lfWeight, 0);
    EXPECT_EQ(f.lfItalic, 1);
    EXPECT_EQ(f.lfUnderline, 1);
    EXPECT_EQ(f.lfStrikeOut, 1);
    DeleteObject(styled);
    DeleteDC(dc);
}

TEST(PointFont, RequestedWidthScalesTheFacesOwnWidth)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT natural = CreatePointFont(dc, "Tahoma", 80, 0, 0, 1);
    HGDIOBJ old = SelectObject(dc, natural);
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(natural);

    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    const double x = TenthsOfPixels(40, static_cast<float>(GetDeviceCaps(dc, LOGPIXELSX)));
    const double y = TenthsOfPixels(80, static_cast<float>(dpi));
    HFONT narrow = CreatePointFont(dc, "Tahoma", 80, 40, 0, 1);
    EXPECT_EQ(Described(narrow).lfWidth, static_cast<LONG>(x / y * metrics.tmAveCharWidth + 0.5));
    DeleteObject(narrow);
    HFONT none = CreatePointFont(dc, "Tahoma", 0, 40, 0, 1);  // no height to scale by
    EXPECT_EQ(Described(none).lfWidth, 0);
    DeleteObject(none);
    DeleteDC(dc);
}

TEST(PointFont, PhysicalResolutionComesFromTheDisplaySize)
{
    HDC dc = CreateCompatibleDC(nullptr);
    const float ry = static_cast<float>(static_cast<double>(GetDeviceCaps(dc, VERTRES)) / GetDeviceCaps(dc, VERTSIZE) * 25.4);
    const LONG tenths = TenthsOfPixels(80, ry);
    HFONT font = CreatePointFont(dc, "Lucida Sans Unicode", 80, 0, 0, 0);
    EXPECT_EQ(Described(font).lfHeight, -static_cast<LONG>(tenths * 0.1 + 0.5));
    DeleteObject(font);
    DeleteDC(dc);
    EXPECT_FLOAT_EQ(PhysicalPixelsPerInch(1024, 320), 81.28f);
}

TEST(PointFont, LeavesTheContextAsItWas)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetGraphicsMode(dc, GM_ADVANCED);
    XFORM shear = {1.0f, 0.25f, 0.0f, 1.0f, 3.0f, 4.0f};
    SetWorldTransform(dc, &shear);
    SetViewportOrgEx(dc, 7, 9, nullptr);
    SetWindowOrgEx(dc, -2, 5, nullptr);
    HGDIOBJ selected = GetCurrentObject(dc, OBJ_FONT);

    HFONT font = CreatePointFont(dc, "Lucida Sans Unicode", 80, 40, kFontBold, 1);
    XFORM after;
    GetWorldTransform(dc, &after);
    EXPECT_FLOAT_EQ(after.eM12, 0.25f);
    EXPECT_FLOAT_EQ(after.eDx, 3.0f);
    POINT viewport, origin;
    GetViewportOrgEx(dc, &viewport);
    GetWindowOrgEx(dc, &origin);
    EXPECT_EQ(viewport.x, 7);
    EXPECT_EQ(viewport.y, 9);
    EXPECT_EQ(origin.x, -2);
    EXPECT_EQ(origin.y, 5);
    EXPECT_EQ(GetGraphicsMode(dc), GM_ADVANCED);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), selected);
    DeleteObject(font);
    DeleteDC(dc);
}
