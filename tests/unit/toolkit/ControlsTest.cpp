// Forms from a layout: alignment, self-sizing labels, windowless pictures
// whose mouse messages come through the parent, the progress bar, the tray
// icon, and rescaling (explicit and on a density change). Real windows.
#include "support/SystemSettings.h"
#include "support/TestLayouts.h"
#include "toolkit/Application.h"
#include "toolkit/Density.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Layout.h"
#include "toolkit/Panel.h"
#include "toolkit/ProgressBar.h"
#include "toolkit/TrayIcon.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

#include <commctrl.h>

using namespace Toolkit;

namespace {

TFormLayout TestLayout() {
    return TestSupport::BorderlessLayout(400, 200, {
        {L"TTrayIcon", L"Tray", nullptr, 0, 0, 0, 0, TAlign::alNone, akLeft | akTop, 0, nullptr, nullptr, 0, 0,
         L"MAINICON"},
        {L"TPanel", L"Outer", nullptr, 0, 0, 0, 0, TAlign::alClient, akLeft | akTop, 0, nullptr, nullptr, 0, 2},
        {L"TPanel", L"Strip", L"Outer", 0, 0, 396, 30, TAlign::alTop},
        {L"TPanel", L"Side", L"Outer", 100, 30, 250, 166, TAlign::alRight},
        {L"TImage", L"Picture", L"Outer", 20, 50, 10, 10, TAlign::alNone, akLeft | akTop, 0, nullptr, nullptr, 0, 0,
         L"ARROW48"},
        {L"TImage", L"Cross", L"Strip", 370, 5, 16, 16, TAlign::alNone, akTop | akRight, 0, nullptr, nullptr, 0, 0,
         L"CLOSE16"},
        {L"TLabel", L"Title", L"Side", 0, 10, 10, 10, TAlign::alNone, akLeft | akTop, 7, L"A title line",
         L"Segoe UI Semilight", -18},
        {L"TProgressBar", L"Bar", L"Side", 0, 50, 200, 20},
    });
}

class TestForm : public TForm {
public:
    TestForm() { LoadLayout(*this, TestLayout()); }
    template <typename T>
    T& Get(const wchar_t* name) {
        return dynamic_cast<T&>(*FindComponent(name));
    }
};

class ControlsTest : public ::testing::Test {
protected:
    ControlsTest() { Application().Initialize(); }
    Win::ComApartment com_;
};

// The layout's values arrive scaled from 96 pixels per inch to the monitor's
// density; alignment fills the client areas; labels and pictures size themselves.
TEST_F(ControlsTest, LayoutIsBuiltAlignedAndScaledToTheMonitor) {
    TestForm form;
    const int m = MonitorPixelsPerInch(form.Handle());
    ASSERT_EQ(m, TestSupport::StartedDensity());
    EXPECT_EQ(form.PixelsPerInch, m);
    EXPECT_EQ(form.ClientWidth(), MulDiv(400, m, 96));
    EXPECT_EQ(form.ClientHeight(), MulDiv(200, m, 96));
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, form.ClientWidth());

    auto& outer = form.Get<TPanel>(L"Outer");
    EXPECT_EQ(outer.Width(), form.ClientWidth());
    EXPECT_EQ(outer.ClientWidth(), outer.Width() - 4);  // the 2-pixel frame
    GetClientRect(outer.Handle(), &client);
    EXPECT_EQ(client.right, outer.ClientWidth());
    auto& strip = form.Get<TPanel>(L"Strip");
    EXPECT_EQ(strip.Width(), outer.ClientWidth());
    EXPECT_EQ(strip.Height(), MulDiv(30, m, 96));
    auto& side = form.Get<TPanel>(L"Side");
    EXPECT_EQ(side.Left() + side.Width(), outer.ClientWidth());
    EXPECT_EQ(side.Top(), strip.Height());
    EXPECT_EQ(side.Height(), outer.ClientHeight() - strip.Height());

    auto& picture = form.Get<TImage>(L"Picture");
    EXPECT_EQ(picture.Width(), 48);
    EXPECT_EQ(picture.Height(), 48);
    EXPECT_EQ(picture.Left(), MulDiv(20, m, 96));
    auto& title = form.Get<TLabel>(L"Title");
    EXPECT_EQ(title.Tag, 7);
    EXPECT_EQ(title.Font().Name, L"Segoe UI Semilight");
    EXPECT_EQ(title.Font().Height, MulDiv(-18, m, 96));
    EXPECT_FALSE(title.ParentFont());
    EXPECT_GT(title.Width(), 40);
    EXPECT_GE(title.Height(), 15);
    const int oneLine = title.Width();
    title.SetCaption(L"A title line that is a good deal longer");
    EXPECT_GT(title.Width(), oneLine);
    title.SetCaption(L"");
    EXPECT_EQ(title.Width(), 0);
    EXPECT_TRUE(form.Get<TProgressBar>(L"Bar").ParentFont());
    EXPECT_EQ(form.Get<TProgressBar>(L"Bar").Font().Height, form.Font().Height);
}

// Rescaling multiplies positions, sizes and font heights, then divides, to the nearest integer.
TEST_F(ControlsTest, ScaleForPPIMultipliesThenDivides) {
    TestForm form;
    form.ScaleForPPI(96);
    auto& picture = form.Get<TImage>(L"Picture");
    auto& title = form.Get<TLabel>(L"Title");
    const int clientWidth = form.ClientWidth(), left = picture.Left(), top = picture.Top();
    const int height = title.Font().Height, formFont = form.Font().Height;
    form.ScaleForPPI(80);
    EXPECT_EQ(form.PixelsPerInch, 80);
    EXPECT_EQ(form.ClientWidth(), MulDiv(clientWidth, 80, 96));
    EXPECT_EQ(picture.Left(), MulDiv(left, 80, 96));
    EXPECT_EQ(picture.Top(), MulDiv(top, 80, 96));
    EXPECT_EQ(title.Font().Height, MulDiv(height, 80, 96));
    EXPECT_EQ(form.Font().Height, MulDiv(formFont, 80, 96));
    EXPECT_EQ(form.Get<TProgressBar>(L"Bar").Font().Height, form.Font().Height);
    EXPECT_EQ(picture.Width(), 48);  // sized to its picture, not scaled
}

// WM_DPICHANGED rescales by the ratio of the new to the old monitor density
// and takes the system's suggested rectangle.
TEST_F(ControlsTest, DensityChangeRescalesAndTakesTheSuggestedRectangle) {
    TestForm form;
    const int m = form.MonitorPixelsPerInch();
    ASSERT_EQ(m, TestSupport::StartedDensity());
    auto& strip = form.Get<TPanel>(L"Strip");
    const int stripHeight = strip.Height(), fontHeight = form.Font().Height;
    const int target = m * 2;
    RECT suggested{100, 120, 100 + MulDiv(form.Width(), target, m), 120 + MulDiv(form.Height(), target, m)};
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(target, target), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(strip.Height(), MulDiv(stripHeight, target, m));
    EXPECT_EQ(form.Font().Height, MulDiv(fontHeight, target, m));
    RECT window;
    GetWindowRect(form.Handle(), &window);
    EXPECT_EQ(window.left, 100);
    EXPECT_EQ(window.top, 120);
    EXPECT_EQ(window.right, suggested.right);
    EXPECT_EQ(form.PixelsPerInch, target);
}

// A windowless picture gets its clicks and mouse moves through its parent's
// window; a click elsewhere on the parent is the parent's.
TEST_F(ControlsTest, WindowlessPictureGetsMouseThroughItsParent) {
    TestForm form;
    auto& cross = form.Get<TImage>(L"Cross");
    auto& strip = form.Get<TPanel>(L"Strip");
    int crossClicks = 0, stripClicks = 0;
    POINT moved{-1, -1};
    cross.OnClick = [&] { ++crossClicks; };
    cross.OnMouseMove = [&](unsigned, int x, int y) { moved = {x, y}; };
    strip.OnClick = [&] { ++stripClicks; };
    const HWND window = strip.Handle();
    const LPARAM onCross = MAKELPARAM(cross.Left() + 3, cross.Top() + 4);
    SendMessageW(window, WM_MOUSEMOVE, 0, onCross);
    EXPECT_EQ(moved.x, 3);
    EXPECT_EQ(moved.y, 4);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, onCross);
    SendMessageW(window, WM_LBUTTONUP, 0, onCross);
    EXPECT_EQ(crossClicks, 1);
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(stripClicks, 1);
    // Pressed on the picture, released elsewhere: no click for anyone.
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, onCross);
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(crossClicks, 1);
    EXPECT_EQ(stripClicks, 1);
}

// The bar's range, position and its two styles, as the native control sees them.
TEST_F(ControlsTest, ProgressBarStyles) {
    TestForm form;
    auto& bar = form.Get<TProgressBar>(L"Bar");
    const HWND window = bar.Handle();
    bar.SetPosition(53);
    EXPECT_EQ(SendMessageW(window, PBM_GETPOS, 0, 0), 53);
    EXPECT_EQ(SendMessageW(window, PBM_GETRANGE, TRUE, 0), 0);   // low limit
    EXPECT_EQ(SendMessageW(window, PBM_GETRANGE, FALSE, 0), 100);  // high limit
    bar.SetPosition(140);
    EXPECT_EQ(bar.Position(), 100);
    bar.SetStyle(TProgressBarStyle::pbstMarquee);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & PBS_MARQUEE);
    bar.SetStyle(TProgressBarStyle::pbstNormal);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & PBS_MARQUEE);
    EXPECT_EQ(SendMessageW(window, PBM_GETPOS, 0, 0), 100);
}

// The tray icon's tooltip keeps 127 characters; clicks and mouse moves over
// the icon arrive as events; the visible switch reads back.
TEST_F(ControlsTest, TrayIconHintAndEvents) {
    TestForm form;
    auto& tray = dynamic_cast<TTrayIcon&>(*form.FindComponent(L"Tray"));
    EXPECT_FALSE(tray.Visible());
    tray.SetHint(std::wstring(100, L'a') + L"\n" + std::wstring(100, L'b'));
    EXPECT_EQ(tray.Hint().size(), 127u);
    EXPECT_EQ(tray.Hint(), std::wstring(100, L'a') + L"\n" + std::wstring(26, L'b'));
    tray.SetHint(L"short\nline");
    EXPECT_EQ(tray.Hint(), L"short\nline");
    int clicks = 0, moves = 0;
    tray.OnClick = [&] { ++clicks; };
    tray.OnMouseMove = [&](unsigned, int, int) { ++moves; };
    tray.SetVisible(true);
    EXPECT_TRUE(tray.Visible());
    SendMessageW(tray.Window(), TTrayIcon::CallbackMessage, 1, WM_MOUSEMOVE);
    SendMessageW(tray.Window(), TTrayIcon::CallbackMessage, 1, WM_LBUTTONUP);
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(clicks, 1);
    tray.SetVisible(false);
    EXPECT_FALSE(tray.Visible());
}

// A picture anchored to the top and right edges keeps its distance from the
// right edge when its parent widens; one anchored left stays put.
TEST_F(ControlsTest, AnchorsFollowTheParentsEdges) {
    TestForm form;
    auto& cross = form.Get<TImage>(L"Cross");
    auto& picture = form.Get<TImage>(L"Picture");
    auto& strip = form.Get<TPanel>(L"Strip");
    const int fromRight = strip.ClientWidth() - cross.Left(), top = cross.Top(), left = picture.Left();
    form.SetClientSize(form.ClientWidth() + 50, form.ClientHeight());
    EXPECT_EQ(strip.ClientWidth() - cross.Left(), fromRight);
    EXPECT_EQ(cross.Top(), top);
    EXPECT_EQ(picture.Left(), left);
    form.SetClientSize(form.ClientWidth() - 80, form.ClientHeight());
    EXPECT_EQ(strip.ClientWidth() - cross.Left(), fromRight);
}

// The monitor density follows the prefix's LogPixels through the per-monitor calls.
TEST(DensityTest, MonitorDensityIsTheScreensHere) {
    EXPECT_EQ(MonitorPixelsPerInch(nullptr), ScreenPixelsPerInch());
    EXPECT_EQ(ScreenPixelsPerInch(), TestSupport::StartedDensity());
}

}  // namespace
