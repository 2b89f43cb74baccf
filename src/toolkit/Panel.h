// Panels and frames: windowed containers painted in their colour.
#pragma once

#include "toolkit/WinControl.h"

namespace Toolkit {

// A container with an optional flat frame (FrameWidth pixels on each side). UI thread.
class TPanel : public TWinControl {
public:
    const wchar_t* ClassName() const override { return L"TPanel"; }
};

// A container that owns components of its own (a part of a form made on
// its own and placed on it). UI thread.
class TFrame : public TWinControl {
public:
    const wchar_t* ClassName() const override { return L"TFrame"; }
};

// A bar at the bottom of a form. Only the parts the font setup needs: a
// windowed control that scales its size and font without moving. UI thread.
class TStatusBar : public TWinControl {
public:
    TStatusBar() { Align = TAlign::alBottom; }
    const wchar_t* ClassName() const override { return L"TStatusBar"; }

    // Multiplies size, own font and children by m / d; the position stays.
    void ScaleInPlace(int m, int d);
};

}  // namespace Toolkit
