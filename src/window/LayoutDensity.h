// How the window's layout units become pixels.
#pragma once

// The layouts are drawn at 115 pixels per inch: L layout units are L x m / 115
// pixels on a monitor of m pixels per inch. The toolkit loads every layout as
// if drawn at 96 and scales it to m (LoadLayout); ScaleFormAndSetFonts then
// rescales the form by (m x 96 / 115) / m, which brings the net factor to
// m / 115; a length the window places itself goes through LayoutToPixels.
constexpr int kLayoutPixelsPerInch = 115;

// Returns `length` layout units in pixels at `monitorPixelsPerInch`: truncated, at least 1.
inline int LayoutToPixels(int length, int monitorPixelsPerInch) {
    const int pixels = length * monitorPixelsPerInch / kLayoutPixelsPerInch;
    return pixels ? pixels : 1;
}
