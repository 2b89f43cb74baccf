// The window's layout and fonts for a density, without a window.
#include "window/WindowLayout.h"

#include <gtest/gtest.h>

namespace {

// The layout at 96, 120, 144 and 192 pixels per inch, in numbers: the window,
// the strip, the close button and the picture (which grow 1.25, 1.5 and 2
// times), the texts' panel and the bar; the window font, the title's (its own)
// and the size line's (the window font's name, one pixel taller than it).
TEST(WindowLayoutTest, LayoutAtEachDensity) {
    const struct {
        int density;
        SIZE client;
        RECT strip, close, arrow, title, bar, sizeLine;
        int windowFont, titleFont, sizeFont;
    } table[] = {
        {96,
         {458, 126},
         {2, 2, 456, 21},
         {433, 7, 449, 23},
         {19, 37, 67, 85},
         {79, 34, 456, 55},
         {79, 59, 436, 76},
         {79, 81, 456, 97},
         -11,
         -15,
         -12},
        {120,
         {573, 158},
         {2, 2, 571, 26},
         {542, 9, 562, 29},
         {23, 46, 83, 106},
         {98, 42, 571, 68},
         {98, 74, 545, 95},
         {98, 101, 571, 121},
         -13,
         -19,
         -14},
        {144,
         {688, 189},
         {2, 2, 686, 31},
         {651, 10, 675, 34},
         {27, 55, 99, 127},
         {117, 50, 686, 82},
         {117, 89, 655, 114},
         {117, 121, 686, 145},
         -17,
         -23,
         -18},
        {192,
         {917, 252},
         {2, 2, 915, 40},
         {868, 13, 900, 45},
         {35, 72, 131, 168},
         {156, 65, 915, 107},
         {156, 117, 874, 150},
         {156, 160, 915, 192},
         -22,
         -30,
         -23},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.density);
        const WindowLayout l = LayoutFor(row.density);
        EXPECT_EQ(l.Client.cx, row.client.cx);
        EXPECT_EQ(l.Client.cy, row.client.cy);
        EXPECT_TRUE(EqualRect(&l.Strip, &row.strip));
        EXPECT_TRUE(EqualRect(&l.CloseButton, &row.close));
        EXPECT_TRUE(EqualRect(&l.Arrow, &row.arrow));
        EXPECT_TRUE(EqualRect(&l.Title, &row.title));
        EXPECT_TRUE(EqualRect(&l.Bar, &row.bar));
        EXPECT_TRUE(EqualRect(&l.SizeLine, &row.sizeLine));
        EXPECT_EQ(l.WindowFont.Name, L"Segoe UI");
        EXPECT_EQ(l.WindowFont.Height, row.windowFont);
        EXPECT_EQ(l.TitleFont.Name, L"Segoe UI Semilight");
        EXPECT_EQ(l.TitleFont.Height, row.titleFont);
        EXPECT_EQ(l.SizeFont.Name, L"Segoe UI");
        EXPECT_EQ(l.SizeFont.Height, row.sizeFont);
    }
}

}  // namespace
