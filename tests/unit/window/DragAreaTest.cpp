// Moving a borderless window by dragging its top strip, with a real pointer:
// xdotool drives the X server's mouse while this thread runs the message loop.
#include "window/DragArea.h"

#include "support/Processes.h"
#include "support/WindowRun.h"
#include "win/ComApartment.h"
#include "win/Exception.h"
#include "win/Unique.h"
#include "window/ProgressWindow.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr wchar_t kTestWindowClass[] = L"DragAreaTestWindow";

// Counts the mouse moves that reach a window of the test class.
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) ++*reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(DWORD style, HWND parent, const wchar_t* windowClass, int x, int y, int width, int height) {
    const HWND window = CreateWindowExW(0, windowClass, L"", style, x, y, width, height, parent, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    Win::ThrowLastErrorIf(!window, "CreateWindowExW");
    return window;
}

// A borderless 300 x 150 window at (200, 200) with a strip along its top and
// a body below; both take the mouse themselves (SS_NOTIFY).
class DragForm {
public:
    DragForm() {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = CountingProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
        windowClass.lpszClassName = kTestWindowClass;
        RegisterClassExW(&windowClass);  // fails harmlessly once registered
        window_.reset(MakeWindow(WS_POPUP | WS_CLIPCHILDREN, nullptr, kTestWindowClass, 200, 200, 300, 150));
        SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&moves));
        Strip = MakeWindow(WS_CHILD | WS_VISIBLE | SS_NOTIFY, window_.get(), L"STATIC", 0, 0, 300, 30);
        Body = MakeWindow(WS_CHILD | WS_VISIBLE | SS_NOTIFY, window_.get(), L"STATIC", 20, 50, 200, 80);
        ShowWindow(window_.get(), SW_SHOW);
    }
    HWND Handle() const { return window_.get(); }
    HWND Strip = nullptr;
    HWND Body = nullptr;
    int moves = 0;

private:
    Win::UniqueHWnd window_;
};

// Lets the message loop run for a moment (the window appears on the X server).
void PumpBriefly() { TestSupport::RunUnixShell("sleep 0.3", true); }

// Presses the left button at the screen point (x, y) with `key` held (or
// none), nudges the pointer by one pixel (the first move is what starts a
// control's drag), moves it by (dx, dy) more in steps and releases it, while
// this thread runs its message loop.
// A key of "right" holds the right button as well.
void Drag(int x, int y, int dx, int dy, const char* key = nullptr) {
    const bool rightButton = key && std::string(key) == "right";
    std::string script = "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.2";
    if (key && !rightButton) script += std::string(" keydown ") + key;
    script += " mousedown 1 sleep 0.1";
    if (rightButton) script += " mousedown 3 sleep 0.1";
    script += " mousemove " + std::to_string(x + 1) + " " + std::to_string(y + 1) + " sleep 0.2";
    for (int step = 1; step <= 4; ++step)
        script += " mousemove " + std::to_string(x + 1 + dx * step / 4) + " " +
                  std::to_string(y + 1 + dy * step / 4) + " sleep 0.1";
    script += " mouseup 1";
    if (rightButton) script += " mouseup 3";
    else if (key) script += std::string(" keyup ") + key;
    script += " sleep 0.2";
    ASSERT_TRUE(TestSupport::RunUnixShell(script, true)) << "xdotool did not finish";
}

POINT Origin(HWND window) {
    RECT bounds;
    GetWindowRect(window, &bounds);
    return {bounds.left, bounds.top};
}

POINT OnScreen(HWND control, int x, int y) {
    POINT point{x, y};
    ClientToScreen(control, &point);
    return point;
}

// Drags (x, y) of `control` by (40, 30) and returns how far `form` moved.
POINT DragAndMeasure(HWND form, HWND control, int x, int y, const char* key = nullptr) {
    const POINT before = Origin(form);
    const POINT start = OnScreen(control, x, y);
    Drag(start.x, start.y, 40, 30, key);
    const POINT after = Origin(form);
    return {after.x - before.x, after.y - before.y};
}

class DragAreaTest : public ::testing::Test {
protected:
    Win::ComApartment com_;
};

// Left button on the strip moves the window with the pointer, at either end
// of it; with Shift, Ctrl or the right button held it does not, nor does a
// drag elsewhere; a copy keeps the attachment and the last release removes it.
TEST_F(DragAreaTest, DraggingTheStripMovesTheWindow) {
    DragForm form;
    const HWND window = form.Handle(), strip = form.Strip, body = form.Body;
    PumpBriefly();
    POINT moved = DragAndMeasure(window, strip, 100, 10);
    EXPECT_EQ(moved.x, 0);  // nothing attached yet
    EXPECT_EQ(moved.y, 0);

    DragArea area(strip, window);
    moved = DragAndMeasure(window, strip, 100, 10);
    EXPECT_EQ(moved.x, 40);
    EXPECT_EQ(moved.y, 30);
    moved = DragAndMeasure(window, strip, 278, 13);
    EXPECT_EQ(moved.x, 40);
    EXPECT_EQ(moved.y, 30);
    for (const char* key : {"shift", "ctrl", "right"}) {
        moved = DragAndMeasure(window, strip, 100, 10, key);
        EXPECT_EQ(moved.x, 0) << key;
        EXPECT_EQ(moved.y, 0) << key;
    }
    moved = DragAndMeasure(window, body, 50, 40);
    EXPECT_EQ(moved.x, 0);
    EXPECT_EQ(moved.y, 0);

    DragArea copy(area);
    area = DragArea();
    moved = DragAndMeasure(window, strip, 100, 10);
    EXPECT_EQ(moved.x, 40) << "the copy keeps the attachment";
    copy = DragArea();
    moved = DragAndMeasure(window, strip, 100, 10);
    EXPECT_EQ(moved.x, 0) << "the last release removed the subclass";
    EXPECT_EQ(moved.y, 0);
}

// Two independent attachments to one control share the system's single
// subclass (same procedure, identifier 0): releasing either removes it for both.
TEST_F(DragAreaTest, IndependentAttachmentsShareOneSubclass) {
    DragForm form;
    const HWND window = form.Handle(), strip = form.Strip;
    PumpBriefly();
    DragArea first(strip, window);
    DragArea second(strip, window);
    POINT moved = DragAndMeasure(window, strip, 100, 10);
    EXPECT_EQ(moved.x, 40);
    first = DragArea();
    moved = DragAndMeasure(window, strip, 100, 10);
    EXPECT_EQ(moved.x, 0);
    EXPECT_EQ(moved.y, 0);
}

// Attached to the form itself, the form's own client area reports itself as
// title bar (the system then moves the window); children are not affected,
// other hit-test results pass unchanged, and the release undoes it.
TEST_F(DragAreaTest, AttachedToTheFormItsClientAreaIsATitleBar) {
    DragForm form;
    const HWND window = form.Handle();
    const POINT free = OnScreen(window, 250, 140);  // not covered by a child
    const POINT child = OnScreen(form.Body, 5, 5);
    const LPARAM freePoint = MAKELPARAM(free.x, free.y);
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, freePoint), HTCLIENT);
    {
        DragArea area(window, window);
        EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, freePoint), HTCAPTION);
        EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(5, 5)), HTNOWHERE);
        EXPECT_EQ(SendMessageW(form.Body, WM_NCHITTEST, 0, MAKELPARAM(child.x, child.y)), HTCLIENT);
        PumpBriefly();
        // The system's own move starts at the press, so the nudge counts too.
        POINT moved = DragAndMeasure(window, window, 250, 140);
        EXPECT_EQ(moved.x, 41);
        EXPECT_EQ(moved.y, 31);
    }
    const POINT now = OnScreen(window, 250, 140);
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(now.x, now.y)), HTCLIENT);
}

// A default handle attaches nothing; an area with no window to move gets
// nothing installed: a left-button move still reaches the window itself.
TEST_F(DragAreaTest, EmptyAndWindowlessHandlesAreInert) {
    { DragArea empty; }
    DragForm loose;
    DragArea inert(loose.Handle(), nullptr);
    DragArea copy = inert;
    SendMessageW(loose.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(loose.moves, 1);
}

// The progress window's own strip: a drag on it moves the window, also right
// beside the close button; a drag on the title line does not.
TEST_F(DragAreaTest, ProgressWindowMovesByItsStrip) {
    TestSupport::WindowRun run;
    ProgressWindow& form = run.MakeWindow(TestSupport::IdleJob());
    form.Show();
    PumpBriefly();
    const WindowLayout& layout = form.Layout();
    const int stripY = (layout.Strip.bottom - layout.Strip.top) / 2;
    POINT moved = DragAndMeasure(form.Handle(), form.DragStrip(), 100, stripY);
    EXPECT_EQ(moved.x, 40);
    EXPECT_EQ(moved.y, 30);
    moved = DragAndMeasure(form.Handle(), form.DragStrip(), layout.CloseButton.left - layout.Strip.left - 4, stripY);
    EXPECT_EQ(moved.x, 40);
    EXPECT_EQ(moved.y, 30);
    moved = DragAndMeasure(form.Handle(), form.TitleLabel(), 10, 5);
    EXPECT_EQ(moved.x, 0);
    EXPECT_EQ(moved.y, 0);
}

}  // namespace
