#include "window/DragArea.h"

#include <commctrl.h>

namespace {

// Installs one window subclass for its lifetime.
class SubclassHolder {
public:
    // The reference data goes to the system only.
    SubclassHolder(HWND window, SUBCLASSPROC proc, UINT_PTR subclassId, DWORD_PTR referenceData)
        : window_(window), proc_(proc), subclassId_(subclassId) {
        installed_ = SetWindowSubclass(window_, proc_, subclassId_, referenceData);
    }
    virtual ~SubclassHolder() {
        if (installed_) RemoveWindowSubclass(window_, proc_, subclassId_);
    }
    SubclassHolder(const SubclassHolder&) = delete;
    SubclassHolder& operator=(const SubclassHolder&) = delete;

private:
    BOOL installed_ = FALSE;
    HWND window_;
    SUBCLASSPROC proc_;
    UINT_PTR subclassId_;
};

LRESULT CALLBACK FormHitTestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);
LRESULT CALLBACK ControlDragProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);

}  // namespace

class DragArea::Impl {
public:
    Impl(HWND area, HWND movedWindow) : Area(area), MovedWindow(movedWindow) {
        const DWORD_PTR self = reinterpret_cast<DWORD_PTR>(this);
        if (!MovedWindow) return;
        if (Area == MovedWindow)
            WindowSubclass = std::make_unique<SubclassHolder>(Area, FormHitTestProc, 0, self);
        else
            AreaSubclass = std::make_unique<SubclassHolder>(Area, ControlDragProc, 0, self);
    }
    // The subclasses go before the object's memory, so no subclass procedure
    // can run with a reference to a freed object.
    ~Impl() {
        AreaSubclass.reset();
        WindowSubclass.reset();
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    const HWND Area;
    const HWND MovedWindow;  // may be null
    std::unique_ptr<SubclassHolder> WindowSubclass;
    std::unique_ptr<SubclassHolder> AreaSubclass;
};

namespace {

// Reports the window's own client area as its title bar, so the system moves
// the window when the user drags there. Child windows hit-test themselves.
LRESULT CALLBACK FormHitTestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_NCHITTEST) {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        return result == HTCLIENT ? HTCAPTION : result;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// The first mouse move with the left button alone held starts the system's
// move loop for the whole window, as a press on a title bar would. The
// equality test on wParam lets moves with Shift, Ctrl or another button pass.
LRESULT CALLBACK ControlDragProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR referenceData) {
    if (referenceData && message == WM_MOUSEMOVE && wParam == MK_LBUTTON) {
        const auto* impl = reinterpret_cast<const DragArea::Impl*>(referenceData);
        // A control may hold the capture while the button is down.
        ReleaseCapture();
        SendMessageW(impl->MovedWindow, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

DragArea::DragArea() = default;

DragArea::DragArea(HWND area, HWND movedWindow) : impl_(std::make_shared<Impl>(area, movedWindow)) {}

DragArea::DragArea(const DragArea& other) = default;

DragArea& DragArea::operator=(const DragArea& other) = default;

DragArea::~DragArea() = default;
