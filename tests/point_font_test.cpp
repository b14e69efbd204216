// The point-size font helper: its arithmetic, its attributes and the state
// in which it leaves the device context.
#include <gtest/gtest.h>

#include "app/point_font.h"
#include "tests/program_support.h"

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
    HFONT bold = CreatePointFont(dc, "Lucida Sans Unicode", 80, 0, kFontBold, 1);
    LOGFONTA f = Described(bold);
    // 8 points: whole tenths of a pixel, then rounded (11, 13 and 16 at 96, 120 and 144).
    const LONG pixels = (80 * dpi / 72 + 5) / 10;
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

namespace {

int(WINAPI *realDeviceCaps)(HDC, int);

// A display of 1024 pixels over 320 mm each way (81.28 pixels per inch) that calls itself 96.
int WINAPI SmallDisplay(HDC dc, int index)
{
    switch (index) {
    case HORZRES:
    case VERTRES:
        return 1024;
    case HORZSIZE:
    case VERTSIZE:
        return 320;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    default:
        return realDeviceCaps(dc, index);
    }
}

}  // namespace

TEST(PointFont, PhysicalResolutionComesFromTheDisplaySize)
{
    HDC dc = CreateCompatibleDC(nullptr);
    realDeviceCaps = reinterpret_cast<decltype(realDeviceCaps)>(SwapImport("GetDeviceCaps", reinterpret_cast<void *>(SmallDisplay)));
    ASSERT_NE(realDeviceCaps, nullptr);
    HFONT physical = CreatePointFont(dc, "Lucida Sans Unicode", 80, 0, 0, 0);
    HFONT logical = CreatePointFont(dc, "Lucida Sans Unicode", 80, 0, 0, 1);
    SwapImport("GetDeviceCaps", reinterpret_cast<void *>(realDeviceCaps));
    // 8 points: 90 tenths of a pixel at 81.28 pixels per inch, 106 at 96.
    EXPECT_EQ(Described(physical).lfHeight, -9);
    EXPECT_EQ(Described(logical).lfHeight, -11);
    DeleteObject(physical);
    DeleteObject(logical);
    DeleteDC(dc);
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
