#include "window/DragArea.h"

#include "toolkit/Form.h"

#include <boost/noncopyable.hpp>
#include <boost/scoped_ptr.hpp>

#include <commctrl.h>

namespace {

// Installs one window subclass for its lifetime.
class SubclassHolder : boost::noncopyable {
public:
    // The reference data goes to the system only.
    SubclassHolder(HWND window, SUBCLASSPROC proc, UINT_PTR subclassId, DWORD_PTR referenceData)
        : installed_(FALSE), window_(window), proc_(proc), subclassId_(subclassId) {
        installed_ = SetWindowSubclass(window_, proc_, subclassId_, referenceData);
    }
    virtual ~SubclassHolder() {
        if (installed_) RemoveWindowSubclass(window_, proc_, subclassId_);
    }

private:
    BOOL installed_;
    HWND window_;
    SUBCLASSPROC proc_;
    UINT_PTR subclassId_;
};

LRESULT CALLBACK FormHitTestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);
LRESULT CALLBACK ControlDragProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);

// Returns the topmost member of the control's parent chain if it is a form, else null.
Toolkit::TForm* ContainingForm(Toolkit::TWinControl& control) {
    Toolkit::TWinControl* top = &control;
    while (top->Parent()) top = top->Parent();
    return dynamic_cast<Toolkit::TForm*>(top);
}

}  // namespace

class TDragArea::TImpl {
public:
    explicit TImpl(Toolkit::TWinControl& control) : Control(&control), Form(ContainingForm(control)) {
        const DWORD_PTR self = reinterpret_cast<DWORD_PTR>(this);
        if (static_cast<Toolkit::TWinControl*>(Form) == Control) {
            FormSubclass.reset(new SubclassHolder(Control->Handle(), FormHitTestProc, 0, self));
        } else if (Form) {
            ControlSubclass.reset(new SubclassHolder(Control->Handle(), ControlDragProc, 0, self));
        }
    }
    // The subclasses go before the object's memory, so no subclass procedure
    // can run with a reference to a freed object.
    ~TImpl() {
        ControlSubclass.reset();
        FormSubclass.reset();
    }

    Toolkit::TWinControl* Control;  // not owned
    Toolkit::TForm* Form;           // not owned; may be null
    boost::scoped_ptr<SubclassHolder> FormSubclass;
    boost::scoped_ptr<SubclassHolder> ControlSubclass;
};

namespace {

// Reports the form's own client area as its title bar, so the system moves
// the window when the user drags there. Child windows hit-test themselves.
LRESULT CALLBACK FormHitTestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_NCHITTEST) {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        return result == HTCLIENT ? HTCAPTION : result;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// The first mouse move with the left button alone held starts the system's
// move loop for the whole form, as a press on a title bar would. The
// equality test on wParam lets moves with Shift, Ctrl or another button pass.
LRESULT CALLBACK ControlDragProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR referenceData) {
    if (referenceData && message == WM_MOUSEMOVE && wParam == MK_LBUTTON) {
        auto* impl = reinterpret_cast<TDragArea::TImpl*>(referenceData);
        // The control holds the capture while the button is down.
        ReleaseCapture();
        SendMessageW(impl->Form->Handle(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

TDragArea::TDragArea() = default;

TDragArea::TDragArea(Toolkit::TWinControl& control) : impl_(new TImpl(control)) {}

TDragArea::TDragArea(const TDragArea& other) = default;

TDragArea& TDragArea::operator=(const TDragArea& other) = default;

TDragArea::~TDragArea() = default;
