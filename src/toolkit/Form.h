// Top-level windows: creation and destroy handlers, closing, showing,
// density (rescaling and the monitor's density changes).
#pragma once

#include "toolkit/WinControl.h"

namespace Toolkit {

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TBorderStyle { bsNone, bsSingle, bsSizeable };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// A top-level window. Its bounds are in screen coordinates; its controls are
// components it owns (usually made by LoadLayout). UI thread.
//
// The owner calls DoCreate after construction (the application's CreateForm
// does) and BeforeDestruction before deleting it (the application does at
// shutdown), so both handlers run while the derived object is whole.
class TForm : public TWinControl {
public:
    TForm();
    ~TForm() override;
    const wchar_t* ClassName() const override { return L"TForm"; }

    TBorderStyle BorderStyle = TBorderStyle::bsSizeable;
    bool SystemMenu = true;
    std::wstring Caption;
    bool CenterOnScreen = false;
    // The density, in pixels per inch, that the form is laid out for now.
    int PixelsPerInch = 96;

    std::function<void()> OnCreate;
    std::function<void()> OnDestroy;
    std::function<void(TCloseAction&)> OnClose;

    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientSize(int width, int height);

    // Rescales the form and everything on it from PixelsPerInch to `pixelsPerInch`.
    void ScaleForPPI(int pixelsPerInch);
    // Returns the density of the monitor the form is on (Density.h).
    int MonitorPixelsPerInch();
    // Rescales the form from PixelsPerInch to its monitor's density and
    // records that density: when the window later moves to a monitor of
    // another density (WM_DPICHANGED), it is rescaled by the ratio of the two.
    void ScaleToMonitor();

    void Show();
    void Hide();
    // Runs OnClose; unless it answers caNone, the main form ends the
    // application's loop and any other form hides (caHide) or minimizes.
    void Close();
    void SetWindowState(TWindowState state);
    TWindowState WindowState();
    void BringToFront();

    // Runs OnCreate; an error is shown by the standard error display and the
    // form stays created.
    void DoCreate();
    // Runs OnDestroy once.
    void BeforeDestruction();

    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void ScaleBounds(int m, int d) override;

private:
    void DpiChanged(int pixelsPerInch, const RECT& suggested);

    bool destroyed_ = false;
    bool centered_ = false;
    int monitorPixelsPerInch_ = 0;  // the monitor density the layout follows
};

}  // namespace Toolkit
