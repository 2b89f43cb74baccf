// The window's font rules.
#include "window/ControlFonts.h"

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
        {0, 96, L"Tahoma", -20},   {1, 96, L"Segoe UI", -13}, {2, 96, L"Segoe UI", -20},  {3, 96, L"Tahoma", -20},
        {9, 96, L"Tahoma", -20},   {10, 96, L"Tahoma", -13},  {11, 96, L"Tahoma", -14},   {30, 96, L"Tahoma", -33},
        {31, 96, L"Tahoma", -20},  {39, 96, L"Tahoma", -20},  {40, 96, L"Tahoma", -13},   {40, 97, L"Tahoma", -17},
        {40, 144, L"Tahoma", -17}, {-1, 96, L"Tahoma", -20},  {1000, 96, L"Tahoma", -20},
    };
    const TFontChoice own{L"Tahoma", -20};
    for (const TagCase& c : cases) {
        for (const TControlKind kind : {TControlKind::Label, TControlKind::Panel, TControlKind::Button}) {
            SCOPED_TRACE(testing::Message()
                         << "tag " << c.tag << " at " << c.pixelsPerInch << " on kind " << static_cast<int>(kind));
            const TFontChoice base{L"Segoe UI", c.tag == 40 ? -17 : -13};
            const TFontChoice font = FontByTag(kind, c.tag, own, base, c.pixelsPerInch);
            EXPECT_EQ(font.Name, c.name);
            EXPECT_EQ(font.Height, c.height);
        }
    }
}

// Pictures and the progress bar keep their fonts whatever their tag.
TEST(ControlFontsTest, PicturesAndTheBarKeepTheirFonts) {
    const TFontChoice own{L"Tahoma", -20};
    for (const TControlKind kind : {TControlKind::Picture, TControlKind::ProgressBar}) {
        for (const int tag : {1, 2, 11, 40}) {
            const TFontChoice font = FontByTag(kind, tag, own, TFontChoice{L"Segoe UI", -13}, 96);
            EXPECT_EQ(font.Name, L"Tahoma");
            EXPECT_EQ(font.Height, -20);
        }
    }
}

}  // namespace
