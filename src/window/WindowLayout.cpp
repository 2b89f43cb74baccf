#include "window/WindowLayout.h"

namespace {

constexpr int kDesignPixelsPerInch = 115;

// A design length through the two rounded steps.
int Scaled(int design, int m) { return MulDiv(MulDiv(design, m, 96), m * 96 / kDesignPixelsPerInch, m); }

// A derived length: truncated, at least 1.
int Derived(int design, int m) {
    const int pixels = design * m / kDesignPixelsPerInch;
    return pixels ? pixels : 1;
}

RECT At(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

}  // namespace

int ArrowSizeFor(int pixelsPerInch) { return MulDiv(48, pixelsPerInch, 96); }

int CrossSizeFor(int pixelsPerInch) { return MulDiv(16, pixelsPerInch, 96); }

WindowLayout LayoutFor(int m) {
    WindowLayout l;
    l.PixelsPerInch = m;
    l.Client = SIZE{Scaled(550, m), Scaled(151, m)};
    // Inside the frame: the strip along the top, the picture at its design
    // place, the panel on the right below the strip.
    const int inner = l.FrameWidth;
    const int innerWidth = l.Client.cx - 2 * inner, innerHeight = l.Client.cy - 2 * inner;
    const int stripHeight = Scaled(23, m);
    l.Strip = At(inner, inner, innerWidth, stripHeight);
    const int cross = CrossSizeFor(m);
    l.CloseButton = At(inner + innerWidth - cross - Derived(9, m), inner + Derived(7, m), cross, cross);
    const int arrow = ArrowSizeFor(m);
    const int arrowLeft = Scaled(20, m);
    l.Arrow = At(inner + arrowLeft, inner + Scaled(42, m), arrow, arrow);
    const int panelWidth = innerWidth - (arrowLeft + arrow) - Derived(15, m);
    l.ProgressPanel = At(inner + innerWidth - panelWidth, inner + stripHeight, panelWidth, innerHeight - stripHeight);
    const int px = l.ProgressPanel.left, py = l.ProgressPanel.top;
    // The texts run to the panel's edge, where a long one is cut off.
    l.Title = At(px, py + Scaled(15, m), panelWidth, Scaled(25, m));
    l.Bar = At(px, py + Scaled(46, m), panelWidth - Derived(25, m), Scaled(20, m));
    l.SizeLine = At(px, py + Scaled(72, m), panelWidth, Scaled(19, m));

    l.WindowFont = FontChoice{L"Segoe UI", Scaled(-13, m)};
    l.TitleFont = FontChoice{L"Segoe UI Semilight", Scaled(-18, m)};
    // The size line follows the window font, one pixel taller.
    l.SizeFont = FontChoice{L"Segoe UI", l.WindowFont.Height - 1};
    return l;
}
