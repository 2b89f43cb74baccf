#include "window/ProgressWindow.h"

#include "win/DeviceContext.h"
#include "win/Density.h"
#include "win/Exception.h"
#include "win/MessageLoop.h"

#include <commctrl.h>

namespace {

// The class other programs see the window by.
constexpr wchar_t kWindowClass[] = L"TUpdaterForm";
constexpr int kCloseButtonId = 100;

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

void RegisterWindowClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(Instance(), kWindowClass, &windowClass)) return;
    // The progress bar's class, with its marquee style (common controls 6
    // through the manifest).
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = Instance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(Instance(), L"MAINICON");
    windowClass.lpszClassName = kWindowClass;
    Win::ThrowLastErrorIf(!RegisterClassExW(&windowClass), "RegisterClassExW");
}

// Makes a child of `parent`; its place comes with the layout.
HWND MakeChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, int id = 0) {
    const HWND child = CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 0,
                                       0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(),
                                       nullptr);
    Win::ThrowLastErrorIf(!child, "CreateWindowExW");
    return child;
}

Win::UniqueHFont MakeFont(const FontChoice& choice) {
    LOGFONTW description = {};
    description.lfHeight = choice.Height;
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(description.lfFaceName, choice.Name.c_str(), LF_FACESIZE);
    Win::UniqueHFont font(CreateFontIndirectW(&description));
    Win::ThrowLastErrorIf(!font, "CreateFontIndirectW");
    return font;
}

void Place(HWND part, const RECT& area) {
    SetWindowPos(part, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

ProgressWindow::ProgressWindow(const WindowTexts& texts, UiLanguage language, std::function<void()> closed,
                               Microsoft::WRL::ComPtr<ITaskbarList3> taskbar)
    : sizePrefix_(texts.SizePrefix), sizeSuffix_(texts.SizeSuffix), closedHandler_(std::move(closed)) {
    RegisterWindowClass(WindowProc);
    // Laid out for the primary monitor, centred on it; once the window
    // exists, its own monitor's density decides (ApplyLayout below).
    const int density = Win::MonitorPixelsPerInch(nullptr);
    layout_ = LayoutFor(density);
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screen = monitor.rcMonitor;
    // WS_EX_APPWINDOW: the window owns its taskbar button.
    const HWND window = CreateWindowExW(
        WS_EX_APPWINDOW, kWindowClass, L"", WS_POPUP | WS_SYSMENU | WS_CLIPCHILDREN,
        screen.left + (screen.right - screen.left - layout_.Client.cx) / 2,
        screen.top + (screen.bottom - screen.top - layout_.Client.cy) / 2, layout_.Client.cx, layout_.Client.cy,
        nullptr, nullptr, Instance(), this);
    Win::ThrowLastErrorIf(!window, "CreateWindowExW");
    tray_ = std::make_unique<TrayIcon>(window);
    taskbar_ = std::make_unique<TaskbarProgress>(window, std::move(taskbar));
    CreateParts(language);
    ApplyLayout(Win::MonitorPixelsPerInch(window));
    FillTexts(texts);
}

ProgressWindow::~ProgressWindow() {
    // The drag area goes while the strip's window still exists.
    dragArea_ = DragArea();
    tray_.reset();
    // The window's last messages must not reach a half-destroyed object.
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    window_.reset();
}

void ProgressWindow::CreateParts(UiLanguage language) {
    const HWND window = window_.get();
    // SS_NOTIFY: the strip takes the mouse itself, so the drag area sees its moves.
    strip_ = MakeChild(window, L"STATIC", L"", SS_NOTIFY);
    // The close button's text is its accessible name; it draws itself as the cross.
    const wchar_t* closeName = language == UiLanguage::Russian ? L"Закрыть" : L"Close";
    closeButton_ = MakeChild(window, WC_BUTTONW, closeName, WS_TABSTOP | BS_OWNERDRAW, kCloseButtonId);
    // Over the strip's end.
    SetWindowPos(closeButton_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    title_ = MakeChild(window, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX);
    bar_ = MakeChild(window, PROGRESS_CLASSW, L"", 0);
    SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
    sizeLine_ = MakeChild(window, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX);
    // Focus cues stay hidden until the keyboard is used (the dialog keys of
    // the message loop clear UISF_HIDEFOCUS at the first Tab).
    SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    dragArea_ = DragArea(strip_, window);
}

void ProgressWindow::ApplyLayout(int pixelsPerInch) {
    if (pixelsPerInch != layout_.PixelsPerInch || !windowFont_) {
        layout_ = LayoutFor(pixelsPerInch);
        windowFont_ = MakeFont(layout_.WindowFont);
        titleFont_ = MakeFont(layout_.TitleFont);
        sizeFont_ = MakeFont(layout_.SizeFont);
        arrow_ = Picture::ArrowInRing(ArrowSizeFor(pixelsPerInch));
        cross_ = Picture::Cross(CrossSizeFor(pixelsPerInch));
    }
    SendMessageW(strip_, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_.get()), FALSE);
    SendMessageW(closeButton_, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_.get()), FALSE);
    SendMessageW(title_, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), FALSE);
    SendMessageW(sizeLine_, WM_SETFONT, reinterpret_cast<WPARAM>(sizeFont_.get()), FALSE);
    Place(strip_, layout_.Strip);
    Place(closeButton_, layout_.CloseButton);
    Place(title_, layout_.Title);
    Place(bar_, layout_.Bar);
    Place(sizeLine_, layout_.SizeLine);
    SetWindowPos(window_.get(), nullptr, 0, 0, layout_.Client.cx, layout_.Client.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window_.get(), nullptr, TRUE);
}

void ProgressWindow::FillTexts(const WindowTexts& texts) {
    if (texts.StartInTray) {
        inTray_ = true;
        tray_->Show(layout_.PixelsPerInch);
    }
    SetText(title_, titleText_, texts.Title);
    // The bar's accessible name is the title line.
    SetWindowTextW(bar_, texts.Title.c_str());
    ShowSizeLine();
}

void ProgressWindow::ShowUnlessInTray() {
    if (!inTray_) Show();
}

void ProgressWindow::Show() {
    ShowWindow(window_.get(), IsIconic(window_.get()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_.get());
}

void ProgressWindow::Close() {
    ShowWindow(window_.get(), SW_HIDE);
    taskbar_->Clear();
    closed_ = true;
    if (closedHandler_) closedHandler_();
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<ProgressWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_.reset(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return Win::CallShowingErrors([&] { return self->Dispatch(message, wParam, lParam); });
}

LRESULT ProgressWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TrayIcon::CallbackMessage:
        TrayIconMouse(LOWORD(lParam));
        return 0;
    case WM_COMMAND:
        Command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED && inTray_) Minimized();
        return 0;
    case WM_DPICHANGED:
        DensityChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT fills everything
    case WM_PAINT:
        Paint();
        return 0;
    case WM_DRAWITEM:
        DrawCloseButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        return StaticColours(reinterpret_cast<HDC>(wParam));
    case WM_UPDATEUISTATE:
        FocusCuesChanged(LOWORD(wParam), HIWORD(wParam));
        return DefWindowProcW(window_.get(), message, wParam, lParam);
    default:
        if (message == TaskbarProgress::ButtonCreatedMessage()) taskbar_->ButtonCreated();
        return DefWindowProcW(window_.get(), message, wParam, lParam);
    }
}

void ProgressWindow::Command(WORD id, WORD code) {
    // The button's click; Esc (IDCANCEL from the loop's dialog keys) closes
    // exactly as the button does; Enter (IDOK) presses the focused button.
    const bool buttonClicked = id == kCloseButtonId && code == BN_CLICKED;
    if (buttonClicked || id == IDCANCEL || (id == IDOK && GetFocus() == closeButton_)) Close();
}

void ProgressWindow::Paint() {
    const Win::PaintDc paint(window_.get());
    const HDC dc = paint.get();
    if (!dc) return;
    RECT client{0, 0, layout_.Client.cx, layout_.Client.cy};
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    // The flat frame: a shadow line, then window colour to the frame's width.
    FrameRect(dc, &client, GetSysColorBrush(COLOR_BTNSHADOW));
    arrow_.Draw(dc, layout_.Arrow.left, layout_.Arrow.top);
}

void ProgressWindow::DrawCloseButton(const DRAWITEMSTRUCT& item) const {
    const HDC dc = item.hDC;
    RECT area = item.rcItem;
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    const int pressed = (item.itemState & ODS_SELECTED) ? 1 : 0;
    cross_.Draw(dc, area.left + (area.right - area.left - cross_.Size()) / 2 + pressed,
                area.top + (area.bottom - area.top - cross_.Size()) / 2 + pressed);
    // The focus cue only when the focus came from the keyboard.
    if ((item.itemState & ODS_FOCUS) && focusCues_) DrawFocusRect(dc, &area);
}

void ProgressWindow::FocusCuesChanged(WORD action, WORD flags) {
    // The dialog keys of the message loop clear UISF_HIDEFOCUS at the first
    // Tab (WM_CHANGEUISTATE, which the top-level window's default handling
    // turns into WM_UPDATEUISTATE); the cues then stay for the window's life.
    if (!(flags & UISF_HIDEFOCUS) || action == UIS_INITIALIZE) return;
    focusCues_ = action == UIS_CLEAR;
    InvalidateRect(closeButton_, nullptr, FALSE);
}

LRESULT ProgressWindow::StaticColours(HDC dc) const {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

void ProgressWindow::DensityChanged(int pixelsPerInch, const RECT& suggested) {
    ApplyLayout(pixelsPerInch);
    // The system's suggested place keeps the window on the new monitor; the
    // size is the layout's.
    SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ProgressWindow::Minimized() {
    ShowWindow(window_.get(), SW_HIDE);
    tray_->Show(layout_.PixelsPerInch);
}

void ProgressWindow::TrayIconMouse(UINT mouseMessage) {
    if (mouseMessage == WM_LBUTTONUP) {
        // A click brings the window back in its normal state, in front, and hides the icon.
        Show();
        tray_->Hide();
    } else if (mouseMessage == WM_MOUSEMOVE) {
        // The tooltip: the title line and the size line. The icon keeps the
        // first 127 characters; an unchanged text is not sent again.
        tray_->SetTooltip(titleText_ + L"\n" + sizeText_);
    }
}

void ProgressWindow::SetText(HWND part, std::wstring& shown, const std::wstring& text) {
    if (text == shown) return;
    shown = text;
    SetWindowTextW(part, text.c_str());
}
