#include "toolkit/Form.h"

#include "toolkit/Application.h"
#include "toolkit/Density.h"

namespace Toolkit {

TForm::TForm() {
    Color = clBtnFace;
    SetVisible(false);
}

TForm::~TForm() { BeforeDestruction(); }

void TForm::BeforeDestruction() {
    if (destroyed_) return;
    destroyed_ = true;
    if (OnDestroy) {
        try {
            OnDestroy();
        } catch (...) {
            HandleDispatchException();
        }
    }
}

void TForm::DoCreate() {
    if (!OnCreate) return;
    try {
        OnCreate();
    } catch (...) {
        Application().HandleException();
    }
}

void TForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.Style = WS_CLIPCHILDREN | (SystemMenu ? WS_SYSMENU : 0);
    switch (BorderStyle) {
    case TBorderStyle::bsNone: params.Style |= WS_POPUP; break;
    case TBorderStyle::bsSingle: params.Style |= WS_CAPTION; break;
    case TBorderStyle::bsSizeable: params.Style |= WS_OVERLAPPEDWINDOW; break;
    }
    params.Parent = nullptr;
    // The main form owns its taskbar button when the application says so;
    // otherwise the application's hidden window owns the forms and the button.
    TForm* main = Application().MainForm();
    if (Application().MainFormOnTaskbar && (!main || main == this)) {
        params.ExStyle |= WS_EX_APPWINDOW;
    } else {
        params.Parent = main && main != this ? main->Handle() : Application().Handle();
    }
}

int TForm::ClientWidth() const {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, BorderStyle == TBorderStyle::bsNone ? WS_POPUP : WS_OVERLAPPEDWINDOW, FALSE, 0);
    return Width() - (frame.right - frame.left);
}

int TForm::ClientHeight() const {
    RECT frame{0, 0, 0, 0};
    const DWORD style = BorderStyle == TBorderStyle::bsNone ? WS_POPUP : WS_OVERLAPPEDWINDOW;
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    return Height() - (frame.bottom - frame.top);
}

void TForm::SetClientSize(int width, int height) {
    SetBounds(Left(), Top(), width + Width() - ClientWidth(), height + Height() - ClientHeight());
}

void TForm::ScaleBounds(int m, int d) { SetClientSize(Scale(ClientWidth(), m, d), Scale(ClientHeight(), m, d)); }

void TForm::ScaleForPPI(int pixelsPerInch) {
    if (pixelsPerInch == PixelsPerInch || pixelsPerInch <= 0) return;
    ChangeScale(pixelsPerInch, PixelsPerInch);
    PixelsPerInch = pixelsPerInch;
}

int TForm::MonitorPixelsPerInch() { return Toolkit::MonitorPixelsPerInch(Handle()); }

void TForm::ScaleToMonitor() {
    monitorPixelsPerInch_ = MonitorPixelsPerInch();
    ScaleForPPI(monitorPixelsPerInch_);
}

void TForm::DpiChanged(int pixelsPerInch, const RECT& suggested) {
    if (monitorPixelsPerInch_ && pixelsPerInch != monitorPixelsPerInch_) {
        ChangeScale(pixelsPerInch, monitorPixelsPerInch_);
        PixelsPerInch = Scale(PixelsPerInch, pixelsPerInch, monitorPixelsPerInch_);
    }
    monitorPixelsPerInch_ = pixelsPerInch;
    // The system's suggested rectangle keeps the window on the new monitor.
    SetBounds(suggested.left, suggested.top, suggested.right - suggested.left, suggested.bottom - suggested.top);
}

void TForm::Show() {
    if (CenterOnScreen && !centered_) {
        centered_ = true;
        MONITORINFO monitor{sizeof monitor, {}, {}, 0};
        GetMonitorInfoW(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT& area = monitor.rcMonitor;
        SetBounds(area.left + (area.right - area.left - Width()) / 2, area.top + (area.bottom - area.top - Height()) / 2,
                  Width(), Height());
    }
    SetVisible(true);
    ShowWindow(Handle(), SW_SHOW);
}

void TForm::Hide() { SetVisible(false); }

void TForm::Close() {
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(action);
    if (action == TCloseAction::caNone) return;
    if (Application().MainForm() == this) Application().Terminate();
    else if (action == TCloseAction::caMinimize) SetWindowState(TWindowState::wsMinimized);
    else Hide();
}

void TForm::SetWindowState(TWindowState state) {
    const int command[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
    if (state == WindowState()) return;
    ShowWindow(Handle(), command[static_cast<int>(state)]);
    // Changing the state of a hidden form leaves it hidden.
    if (!Visible()) ShowWindow(Handle(), SW_HIDE);
}

TWindowState TForm::WindowState() {
    if (IsIconic(Handle())) return TWindowState::wsMinimized;
    if (IsZoomed(Handle())) return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void TForm::BringToFront() { SetForegroundWindow(Handle()); }

void TForm::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case WM_SIZE:
        if (message.WParam == SIZE_MINIMIZED && Application().MainForm() == this) Application().DoMinimize();
        break;
    case WM_WINDOWPOSCHANGED: {
        // Keeps the bounds in step when the system moves the window (a drag, for example).
        const auto* position = reinterpret_cast<const WINDOWPOS*>(message.LParam);
        if (!(position->flags & SWP_NOMOVE) && !IsIconic(Handle()))
            BoundsFromWindow(position->x, position->y, Width(), Height());
        break;
    }
    case WM_DPICHANGED:
        DpiChanged(HIWORD(message.WParam), *reinterpret_cast<const RECT*>(message.LParam));
        return;
    default:
        break;
    }
    TWinControl::Dispatch(message);
}

}  // namespace Toolkit
