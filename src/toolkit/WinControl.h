// Controls with a native window: they hold child controls, paint the
// windowless ones and route the mouse to them, align and anchor them.
#pragma once

#include "toolkit/Control.h"
#include "win/Unique.h"

#include <vector>

namespace Toolkit {

// One window message on its way through Dispatch; Result is what the window returns.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

// Owns its native window. Messages of the toolkit's own window class go to
// Dispatch; an exception leaving Dispatch is shown by the application's
// standard error display and the message counts as handled. UI thread.
class TWinControl : public TControl {
public:
    ~TWinControl() override;
    const wchar_t* ClassName() const override { return L"TWinControl"; }

    // Returns the native window, creating it (and its parents') if it does not exist yet.
    HWND Handle();
    bool HandleAllocated() const noexcept { return static_cast<bool>(handle_); }

    void SetParent(TWinControl* parent) override;
    void SetVisible(bool visible) override;
    void ChangeScale(int m, int d) override;
    void Invalidate() override;

    // The client area: the bounds less the frame.
    virtual int ClientWidth() const { return Width() - 2 * FrameWidth; }
    virtual int ClientHeight() const { return Height() - 2 * FrameWidth; }

    int ControlCount() const noexcept { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }

    // Places the aligned children in the client area: top, bottom, left, right, then client.
    void Realign();

    // Handles one message of this control's window; what it leaves goes to DefaultHandler.
    virtual void Dispatch(TMessage& message);

    // Thickness of the flat frame drawn around the client area, in pixels.
    int FrameWidth = 0;

protected:
    struct TCreateParams {
        const wchar_t* WindowClass;  // null: the toolkit's own class
        DWORD Style;
        DWORD ExStyle;
        HWND Parent;
    };
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateHandle();
    virtual void DefaultHandler(TMessage& message);
    // Paints the background and the windowless children.
    virtual void PaintWindow(HDC dc, const RECT& client);
    void FontChanged() override;
    // Moves the native window, then anchors and aligns the children.
    void BoundsChanged() override;
    // Takes bounds the system has already given the native window.
    void BoundsFromWindow(int left, int top, int width, int height);

    // Set while ChangeScale runs, so anchors do not move what scaling places.
    bool Scaling() const noexcept { return scaling_; }

private:
    friend class TControl;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void ApplyAnchors(int dx, int dy);
    TControl* WindowlessControlAt(int x, int y) const;
    bool HandleMouse(TMessage& message);
    void PaintNonClient();

    Win::UniqueHWnd handle_;
    std::vector<TControl*> controls_;  // not owned
    TControl* pressed_ = nullptr;
    bool pressedSelf_ = false;
    bool scaling_ = false;
    bool aligning_ = false;
    bool fromWindow_ = false;
    int anchorWidth_ = 0, anchorHeight_ = 0;  // client size the anchors were last applied for
};

// Shows the exception being handled in the application's standard error display.
void HandleDispatchException() noexcept;

}  // namespace Toolkit
