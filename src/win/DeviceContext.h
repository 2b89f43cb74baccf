// Owners of device contexts and of the objects selected into them, so that
// every DC is released and every selection undone on every way out of a
// scope, exceptions included (the pairs the platform documents for
// BeginPaint/EndPaint, GetDC/ReleaseDC, CreateCompatibleDC/DeleteDC and
// SelectObject).
#pragma once

#include "win/Unique.h"

namespace Win {

// The DC of one WM_PAINT: BeginPaint on construction, EndPaint on destruction.
// UI thread, inside the window's WM_PAINT handler only.
class PaintDc {
public:
    explicit PaintDc(HWND window) noexcept : window_(window) { dc_ = BeginPaint(window_, &paint_); }
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    // Returns the DC (null when BeginPaint failed); ownership stays here.
    HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// A window's DC (the screen's for a null window) from GetDC, released with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
using UniqueMemoryDc = Unique<NullHandleTraits<HDC, DeleteDC>>;

// Selects an object into a DC for its lifetime and selects the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace Win
