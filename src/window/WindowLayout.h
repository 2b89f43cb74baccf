// Where every part of the progress window goes, and its fonts, for a density.
#pragma once

#include <windows.h>

#include <string>

// A font's face and height. A negative height is the character height in
// pixels (LOGFONT's convention), so subtracting from it makes the font larger.
struct FontChoice {
    std::wstring Name;
    int Height = 0;
};

// The progress window at one density: rectangles in the window's client
// coordinates, font heights in LOGFONT's convention.
struct WindowLayout {
    int PixelsPerInch = 96;
    SIZE Client{};         // the borderless window's client area
    int FrameWidth = 2;    // the flat frame drawn inside the client area's edge
    RECT Strip{};          // the drag strip along the top, inside the frame
    RECT CloseButton{};    // the close button, over the strip's right end
    RECT Arrow{};          // the ring-and-arrow picture
    RECT ProgressPanel{};  // the area of the texts and the bar, right of the picture
    RECT Title{};          // the title line
    RECT Bar{};            // the progress bar
    RECT SizeLine{};       // the size line
    FontChoice WindowFont;
    FontChoice TitleFont;
    FontChoice SizeFont;
};

// Returns the layout for a monitor of `pixelsPerInch`. The design is drawn at
// 115 pixels per inch; its lengths reach the monitor in two rounded steps
// (96 -> m, then m -> m x 96 / 115), which is where this window has always
// put them; the lengths the window derives from others (the close button's
// margins, the panel's and the bar's widths) are L x m / 115, truncated, at
// least 1. The pictures are drawn for the density: 48 and 16 pixels at 96,
// scaled by m / 96.
WindowLayout LayoutFor(int pixelsPerInch);

// The pictures' sizes at `pixelsPerInch`.
int ArrowSizeFor(int pixelsPerInch);
int CrossSizeFor(int pixelsPerInch);
