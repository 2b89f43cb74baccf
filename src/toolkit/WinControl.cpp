#include "toolkit/WinControl.h"

#include "win/Exception.h"

#include <windowsx.h>

#include <algorithm>

namespace Toolkit {

namespace {

const wchar_t ToolkitWindowClass[] = L"ToolkitWindow";

void RegisterToolkitClass(WNDPROC procedure) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = ToolkitWindowClass;
    Win::ThrowLastErrorIf(!RegisterClassExW(&windowClass), "RegisterClassExW");
    registered = true;
}

}  // namespace

TWinControl::~TWinControl() {
    // Owned components (a form's or frame's) go while this window still exists.
    DestroyComponents();
    for (TControl* control : controls_) control->parent_ = nullptr;
    // The window goes before the object: its messages must not reach a half-destroyed one.
    if (handle_) SetWindowLongPtrW(handle_.get(), GWLP_USERDATA, 0);
    handle_.reset();
}

HWND TWinControl::Handle() {
    if (!handle_) CreateHandle();
    return handle_.get();
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.WindowClass = nullptr;
    params.Parent = Parent() ? Parent()->Handle() : nullptr;
    // A control without a parent gets a hidden top-level window of its own.
    params.Style = (params.Parent ? WS_CHILD | (Visible() ? WS_VISIBLE : 0) : WS_POPUP) | WS_CLIPCHILDREN |
                   WS_CLIPSIBLINGS;
    params.ExStyle = 0;
}

void TWinControl::CreateHandle() {
    TCreateParams params{};
    CreateParams(params);
    RegisterToolkitClass(WindowProc);
    const bool own = params.WindowClass == nullptr;
    HWND window = CreateWindowExW(params.ExStyle, own ? ToolkitWindowClass : params.WindowClass, L"",
                                  params.Style, Left(), Top(), Width(), Height(), params.Parent, nullptr,
                                  GetModuleHandleW(nullptr), own ? this : nullptr);
    Win::ThrowLastErrorIf(!window, "CreateWindowExW");
    // The toolkit's own windows have already been taken over at WM_NCCREATE.
    if (handle_.get() != window) handle_.reset(window);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
    if (FrameWidth) SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    for (TControl* control : controls_)
        if (auto* child = dynamic_cast<TWinControl*>(control)) child->Handle();
}

void TWinControl::SetParent(TWinControl* parent) {
    TControl::SetParent(parent);
    if (parent && parent->HandleAllocated()) {
        if (handle_) ::SetParent(handle_.get(), parent->Handle());
        else CreateHandle();
    }
}

void TWinControl::BoundsChanged() {
    if (handle_ && !fromWindow_)
        SetWindowPos(handle_.get(), nullptr, Left(), Top(), Width(), Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    // Anchors keep distances from the edges the client area had before; the
    // first size is where they start from.
    const bool hadSize = anchorWidth_ || anchorHeight_;
    const int dx = ClientWidth() - anchorWidth_, dy = ClientHeight() - anchorHeight_;
    anchorWidth_ = ClientWidth();
    anchorHeight_ = ClientHeight();
    if (hadSize && !scaling_) ApplyAnchors(dx, dy);
    Realign();
}

void TWinControl::BoundsFromWindow(int left, int top, int width, int height) {
    fromWindow_ = true;
    TControl::SetBounds(left, top, width, height);
    fromWindow_ = false;
}

void TWinControl::SetVisible(bool visible) {
    TControl::SetVisible(visible);
    if (handle_) ShowWindow(handle_.get(), visible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::ChangeScale(int m, int d) {
    scaling_ = true;
    TControl::ChangeScale(m, d);
    for (TControl* control : controls_) control->ChangeScale(m, d);
    scaling_ = false;
    Realign();
}

void TWinControl::Invalidate() {
    if (handle_) InvalidateRect(handle_.get(), nullptr, FALSE);
}

void TWinControl::FontChanged() {
    if (handle_) SendMessageW(handle_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
    for (TControl* control : controls_)
        if (control->ParentFont()) control->SetParentFont(true);
    TControl::FontChanged();
}

void TWinControl::InsertControl(TControl* control) { controls_.push_back(control); }

void TWinControl::RemoveControl(TControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    if (pressed_ == control) pressed_ = nullptr;
}

void TWinControl::ApplyAnchors(int dx, int dy) {
    for (TControl* control : controls_) {
        if (control->Align != TAlign::alNone) continue;
        int left = control->Left(), top = control->Top(), width = control->Width(), height = control->Height();
        if (control->Anchors & akRight) (control->Anchors & akLeft) ? width += dx : left += dx;
        if (control->Anchors & akBottom) (control->Anchors & akTop) ? height += dy : top += dy;
        control->SetBounds(left, top, width, height);
    }
}

void TWinControl::Realign() {
    // Placing a child calls back here (an aligned child's size changed); once is enough.
    if (aligning_) return;
    aligning_ = true;
    RECT rest{0, 0, ClientWidth(), ClientHeight()};
    const TAlign order[] = {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient};
    for (TAlign align : order) {
        for (TControl* c : controls_) {
            if (c->Align != align || !c->Visible()) continue;
            switch (align) {
            case TAlign::alTop:
                c->SetBounds(rest.left, rest.top, rest.right - rest.left, c->Height());
                rest.top += c->Height();
                break;
            case TAlign::alBottom:
                c->SetBounds(rest.left, rest.bottom - c->Height(), rest.right - rest.left, c->Height());
                rest.bottom -= c->Height();
                break;
            case TAlign::alLeft:
                c->SetBounds(rest.left, rest.top, c->Width(), rest.bottom - rest.top);
                rest.left += c->Width();
                break;
            case TAlign::alRight:
                c->SetBounds(rest.right - c->Width(), rest.top, c->Width(), rest.bottom - rest.top);
                rest.right -= c->Width();
                break;
            default:
                c->SetBounds(rest.left, rest.top, rest.right - rest.left, rest.bottom - rest.top);
                break;
            }
        }
    }
    aligning_ = false;
}

TControl* TWinControl::WindowlessControlAt(int x, int y) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        if (x >= c->Left() && x < c->Left() + c->Width() && y >= c->Top() && y < c->Top() + c->Height()) return c;
    }
    return nullptr;
}

// Windowless controls get their mouse messages through the parent's window:
// a click is a press and a release over the same control.
bool TWinControl::HandleMouse(TMessage& message) {
    const int x = GET_X_LPARAM(message.LParam), y = GET_Y_LPARAM(message.LParam);
    TControl* target = WindowlessControlAt(x, y);
    TControl& receiver = target ? *target : *this;
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
        pressed_ = target;
        pressedSelf_ = true;
        SetCapture(handle_.get());
        return true;
    case WM_LBUTTONUP: {
        const bool click = pressedSelf_ && pressed_ == target;
        pressedSelf_ = false;
        pressed_ = nullptr;
        if (GetCapture() == handle_.get()) ReleaseCapture();
        if (click && receiver.OnClick) receiver.OnClick();
        return true;
    }
    case WM_MOUSEMOVE:
        if (receiver.OnMouseMove)
            receiver.OnMouseMove(static_cast<unsigned>(message.WParam), x - (target ? target->Left() : 0),
                                 y - (target ? target->Top() : 0));
        return true;
    case WM_CAPTURECHANGED:
        pressedSelf_ = false;
        pressed_ = nullptr;
        return false;
    default:
        return false;
    }
}

void TWinControl::PaintWindow(HDC dc, const RECT& client) {
    const Win::UniqueHBrush background(CreateSolidBrush(ColorToRGB(Color)));
    FillRect(dc, &client, background.get());
    for (TControl* control : controls_)
        if (control->Visible() && !dynamic_cast<TWinControl*>(control)) control->Paint(dc);
}

void TWinControl::PaintNonClient() {
    HDC dc = GetWindowDC(handle_.get());
    if (!dc) return;
    RECT outer{0, 0, Width(), Height()};
    const Win::UniqueHBrush edge(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
    const Win::UniqueHBrush inside(CreateSolidBrush(ColorToRGB(Color)));
    FrameRect(dc, &outer, edge.get());
    for (int i = 1; i < FrameWidth; ++i) {
        InflateRect(&outer, -1, -1);
        FrameRect(dc, &outer, inside.get());
    }
    ReleaseDC(handle_.get(), dc);
}

void TWinControl::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case WM_ERASEBKGND:
        message.Result = 1;
        return;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(handle_.get(), &paint);
        RECT client;
        GetClientRect(handle_.get(), &client);
        // Painted off screen first, so the background never flickers over the text.
        HDC memory = CreateCompatibleDC(dc);
        const Win::UniqueHBitmap bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
        HGDIOBJ old = SelectObject(memory, bitmap.get());
        PaintWindow(memory, client);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        EndPaint(handle_.get(), &paint);
        return;
    }
    case WM_NCCALCSIZE:
        if (FrameWidth && message.WParam) {
            auto* sizes = reinterpret_cast<NCCALCSIZE_PARAMS*>(message.LParam);
            InflateRect(&sizes->rgrc[0], -FrameWidth, -FrameWidth);
            message.Result = 0;
            return;
        }
        break;
    case WM_NCPAINT:
        if (FrameWidth) {
            PaintNonClient();
            message.Result = 0;
            return;
        }
        break;
    default:
        if (HandleMouse(message)) return;
        break;
    }
    DefaultHandler(message);
}

void TWinControl::DefaultHandler(TMessage& message) {
    message.Result = DefWindowProcW(handle_.get(), message.Msg, message.WParam, message.LParam);
}

LRESULT CALLBACK TWinControl::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* control = static_cast<TWinControl*>(create->lpCreateParams);
        control->handle_.reset(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    }
    auto* control = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!control) return DefWindowProcW(window, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    try {
        control->Dispatch(message);
    } catch (...) {
        // Exceptions never unwind through the system's code.
        HandleDispatchException();
    }
    return message.Result;
}

}  // namespace Toolkit
