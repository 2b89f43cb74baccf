// The window's font rules and its layout for a density, without a window.
#include "window/ControlFonts.h"
#include "window/WindowLayout.h"

#include "win/Exception.h"

#include <gtest/gtest.h>

namespace {

struct TagCase {
    int tag;
    int pixelsPerInch;
    const wchar_t* name;
    int height;
};

// The tag rules for every kind they reach, against a window font "Segoe UI"
// -13 (-17 for tag 40, which tells its two answers apart); each control's own
// font is "Tahoma" -20.
TEST(ControlFontsTest, TagRuleTable) {
    const TagCase cases[] = {
        {0, 96, L"Tahoma", -20},   {1, 96, L"Segoe UI", -13}, {2, 96, L"Segoe UI", -20}, {3, 96, L"Tahoma", -20},
        {9, 96, L"Tahoma", -20},   {10, 96, L"Tahoma", -13},  {11, 96, L"Tahoma", -14},  {30, 96, L"Tahoma", -33},
        {31, 96, L"Tahoma", -20},  {39, 96, L"Tahoma", -20},  {40, 96, L"Tahoma", -13},  {40, 97, L"Tahoma", -17},
        {40, 144, L"Tahoma", -17}, {-1, 96, L"Tahoma", -20},  {1000, 96, L"Tahoma", -20},
    };
    const FontChoice own{L"Tahoma", -20};
    for (const TagCase& c : cases) {
        for (const ControlKind kind : {ControlKind::Label, ControlKind::Panel, ControlKind::Button}) {
            SCOPED_TRACE(testing::Message() << "tag " << c.tag << " at " << c.pixelsPerInch << " on kind "
                                            << static_cast<int>(kind));
            const FontChoice base{L"Segoe UI", c.tag == 40 ? -17 : -13};
            const FontChoice font = FontByTag(kind, c.tag, own, base, c.pixelsPerInch);
            EXPECT_EQ(font.Name, c.name);
            EXPECT_EQ(font.Height, c.height);
        }
    }
}

// Pictures and the progress bar keep their fonts whatever their tag.
TEST(ControlFontsTest, PicturesAndTheBarKeepTheirFonts) {
    const FontChoice own{L"Tahoma", -20};
    for (const ControlKind kind : {ControlKind::Picture, ControlKind::ProgressBar}) {
        for (const int tag : {1, 2, 11, 40}) {
            const FontChoice font = FontByTag(kind, tag, own, FontChoice{L"Segoe UI", -13}, 96);
            EXPECT_EQ(font.Name, L"Tahoma");
            EXPECT_EQ(font.Height, -20);
        }
    }
}

// The layout at 96, 144 and 192 pixels per inch, in numbers: the window, the
// strip, the close button and the picture (which grow 1.5 and 2 times), the
// texts' panel and the bar; the window font, the title's and the size line's
// (tag 11: one pixel taller than the window font).
TEST(WindowLayoutTest, LayoutAtEachDensity) {
    const struct {
        int density;
        SIZE client;
        RECT strip, close, arrow, title, bar, sizeLine;
        int windowFont, titleFont, sizeFont;
    } table[] = {
        {96, {458, 126}, {2, 2, 456, 21}, {433, 7, 449, 23}, {19, 37, 67, 85}, {79, 34, 456, 55}, {79, 59, 436, 76},
         {79, 81, 456, 97}, -11, -15, -12},
        {144, {688, 189}, {2, 2, 686, 31}, {651, 10, 675, 34}, {27, 55, 99, 127}, {117, 50, 686, 82},
         {117, 89, 655, 114}, {117, 121, 686, 145}, -17, -23, -18},
        {192, {917, 252}, {2, 2, 915, 40}, {868, 13, 900, 45}, {35, 72, 131, 168}, {156, 65, 915, 107},
         {156, 117, 874, 150}, {156, 160, 915, 192}, -22, -30, -23},
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
        EXPECT_EQ(l.WindowFont.Height, row.windowFont);
        EXPECT_EQ(l.TitleFont.Height, row.titleFont);
        EXPECT_EQ(l.SizeFont.Height, row.sizeFont);
        EXPECT_EQ(l.TitleFont.Name, L"Segoe UI Semilight");
        EXPECT_EQ(l.SizeFont.Name, L"Segoe UI");
    }
}

}  // namespace
