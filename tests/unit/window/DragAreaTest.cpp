// Moving a borderless window by dragging its top strip, with a real pointer:
// xdotool drives the X server's mouse while this thread runs the message loop.
#include "window/DragArea.h"

#include "support/Processes.h"
#include "support/TestLayouts.h"
#include "toolkit/Application.h"
#include "toolkit/Image.h"
#include "toolkit/Layout.h"
#include "toolkit/Panel.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

#include <string>

using namespace Toolkit;

namespace {

TFormLayout DragLayout() {
    return TestSupport::BorderlessLayout(300, 150, {
        {L"TPanel", L"Strip", nullptr, 0, 0, 300, 30, TAlign::alTop},
        {L"TImage", L"Cross", L"Strip", 270, 5, 16, 16, TAlign::alNone, akTop | akRight, 0, nullptr, nullptr, 0, 0,
         L"CLOSE16"},
        {L"TPanel", L"Body", nullptr, 20, 50, 200, 80},
    });
}

class DragForm : public TForm {
public:
    DragForm() {
        LoadLayout(*this, DragLayout());
        SetBounds(200, 200, Width(), Height());
        Show();
    }
    TWinControl& Part(const wchar_t* name) { return dynamic_cast<TWinControl&>(*FindComponent(name)); }
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

POINT OnScreen(TWinControl& control, int x, int y) {
    POINT point{x, y};
    ClientToScreen(control.Handle(), &point);
    return point;
}

// Drags (x, y) of `control` by (40, 30) and returns how far the form moved.
POINT DragAndMeasure(DragForm& form, TWinControl& control, int x, int y, const char* key = nullptr) {
    const POINT before = Origin(form.Handle());
    const POINT start = OnScreen(control, x, y);
    Drag(start.x, start.y, 40, 30, key);
    const POINT after = Origin(form.Handle());
    return {after.x - before.x, after.y - before.y};
}

class DragAreaTest : public ::testing::Test {
protected:
    DragAreaTest() { Application().Initialize(); }
    Win::ComApartment com_;
};

// Left button on the strip moves the window with the pointer, also over the
// windowless picture on it; with Shift, Ctrl or the right button held it does not, nor does a
// drag elsewhere; a copy keeps the attachment and the last release removes it.
TEST_F(DragAreaTest, DraggingTheStripMovesTheWindow) {
    DragForm form;
    TWinControl& strip = form.Part(L"Strip");
    TWinControl& body = form.Part(L"Body");
    PumpBriefly();
    POINT moved = DragAndMeasure(form, strip, 100, 10);
    EXPECT_EQ(moved.x, 0);  // nothing attached yet
    EXPECT_EQ(moved.y, 0);

    TDragArea area(strip);
    moved = DragAndMeasure(form, strip, 100, 10);
    EXPECT_EQ(moved.x, 40);
    EXPECT_EQ(moved.y, 30);
    const auto& cross = dynamic_cast<TImage&>(*form.FindComponent(L"Cross"));
    moved = DragAndMeasure(form, strip, cross.Left() + 8, cross.Top() + 8);
    EXPECT_EQ(moved.x, 40);
    EXPECT_EQ(moved.y, 30);
    for (const char* key : {"shift", "ctrl", "right"}) {
        moved = DragAndMeasure(form, strip, 100, 10, key);
        EXPECT_EQ(moved.x, 0) << key;
        EXPECT_EQ(moved.y, 0) << key;
    }
    moved = DragAndMeasure(form, body, 50, 40);
    EXPECT_EQ(moved.x, 0);
    EXPECT_EQ(moved.y, 0);

    TDragArea copy(area);
    area = TDragArea();
    moved = DragAndMeasure(form, strip, 100, 10);
    EXPECT_EQ(moved.x, 40) << "the copy keeps the attachment";
    copy = TDragArea();
    moved = DragAndMeasure(form, strip, 100, 10);
    EXPECT_EQ(moved.x, 0) << "the last release removed the subclass";
    EXPECT_EQ(moved.y, 0);
}

// Two independent attachments to one control share the system's single
// subclass (same procedure, identifier 0): releasing either removes it for both.
TEST_F(DragAreaTest, IndependentAttachmentsShareOneSubclass) {
    DragForm form;
    TWinControl& strip = form.Part(L"Strip");
    PumpBriefly();
    TDragArea first(strip);
    TDragArea second(strip);
    POINT moved = DragAndMeasure(form, strip, 100, 10);
    EXPECT_EQ(moved.x, 40);
    first = TDragArea();
    moved = DragAndMeasure(form, strip, 100, 10);
    EXPECT_EQ(moved.x, 0);
    EXPECT_EQ(moved.y, 0);
}

// Attached to the form itself, the form's own client area reports itself as
// title bar (the system then moves the window); children are not affected,
// other hit-test results pass unchanged, and the release undoes it.
TEST_F(DragAreaTest, AttachedToTheFormItsClientAreaIsATitleBar) {
    DragForm form;
    const POINT free = OnScreen(form, 250, 140);  // not covered by a child
    const POINT child = OnScreen(form.Part(L"Body"), 5, 5);
    const LPARAM freePoint = MAKELPARAM(free.x, free.y);
    EXPECT_EQ(SendMessageW(form.Handle(), WM_NCHITTEST, 0, freePoint), HTCLIENT);
    {
        TDragArea area(form);
        EXPECT_EQ(SendMessageW(form.Handle(), WM_NCHITTEST, 0, freePoint), HTCAPTION);
        EXPECT_EQ(SendMessageW(form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(5, 5)), HTNOWHERE);
        EXPECT_EQ(SendMessageW(form.Part(L"Body").Handle(), WM_NCHITTEST, 0, MAKELPARAM(child.x, child.y)), HTCLIENT);
        PumpBriefly();
        // The system's own move starts at the press, so the nudge counts too.
        POINT moved = DragAndMeasure(form, form, 250, 140);
        EXPECT_EQ(moved.x, 41);
        EXPECT_EQ(moved.y, 31);
    }
    const POINT now = OnScreen(form, 250, 140);
    EXPECT_EQ(SendMessageW(form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(now.x, now.y)), HTCLIENT);
}

// A default handle attaches nothing; a control outside any form gets nothing
// installed: a left-button move still reaches the control itself.
TEST_F(DragAreaTest, EmptyAndFormlessHandlesAreInert) {
    { TDragArea empty; }
    TPanel loose;
    loose.SetBounds(0, 0, 50, 20);
    int moves = 0;
    loose.OnMouseMove = [&](unsigned, int, int) { ++moves; };
    TDragArea inert(loose);
    TDragArea copy = inert;
    SendMessageW(loose.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(moves, 1);
}

}  // namespace
