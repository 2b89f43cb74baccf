// The message loop with its error display, and the density helpers. Real
// windows under Xvfb.
#include "win/Density.h"
#include "win/Exception.h"
#include "win/MessageLoop.h"
#include "win/Unique.h"

#include "support/SystemSettings.h"
#include "support/WindowFinder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <stdexcept>

namespace {

// A window whose handler for WM_APP fails the first time and ends the loop the second.
LRESULT CALLBACK FailingOnceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP) return DefWindowProcW(window, message, wParam, lParam);
    return Win::CallShowingErrors([window] {
        int& calls = *reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (++calls == 1) throw Win::Exception(L"handler failed");
        PostQuitMessage(0);
        return LRESULT(0);
    });
}

// An error raised by a handler is shown in a message box with its text, and
// the loop goes on: the next message is handled and ends it.
TEST(MessageLoopTest, ErrorInAHandlerIsShownAndTheLoopGoesOn) {
    WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = FailingOnceProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MessageLoopTestWindow";
    RegisterClassExW(&windowClass);
    const Win::UniqueHWnd window(CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                                 nullptr, windowClass.hInstance, nullptr));
    ASSERT_TRUE(window);
    int calls = 0;
    SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&calls));
    const HWND handle = window.get();
    PostMessageW(handle, WM_APP, 0, 0);
    auto dismissed = std::async(std::launch::async, [handle] {
        auto texts = TestSupport::DismissMessageBox(GetCurrentProcessId(), 20000);
        PostMessageW(handle, WM_APP, 0, 0);
        return texts;
    });
    Win::RunMessageLoop(handle);
    const auto texts = dismissed.get();
    ASSERT_TRUE(texts);
    EXPECT_NE(std::find(texts->begin(), texts->end(), L"handler failed"), texts->end());
    EXPECT_EQ(calls, 2);
}

// The error text: our message, a standard exception's text, or nothing.
TEST(ExceptionTextTest, Table) {
    EXPECT_EQ(Win::ExceptionText(std::make_exception_ptr(Win::Exception(L"ошибка"))), L"ошибка");
    EXPECT_EQ(Win::ExceptionText(std::make_exception_ptr(std::runtime_error("plain"))), L"plain");
    EXPECT_EQ(Win::ExceptionText(std::make_exception_ptr(42)), L"");
}

// The monitor density follows the prefix's LogPixels through the per-monitor
// calls; the small-icon size follows the density asked for.
TEST(DensityTest, MonitorDensityAndMetrics) {
    EXPECT_EQ(Win::MonitorPixelsPerInch(nullptr), TestSupport::StartedDensity());
    EXPECT_EQ(Win::ScreenPixelsPerInch(), TestSupport::StartedDensity());
    const struct {
        int density, smallIcon;
    } table[] = {{96, 16}, {120, 20}, {144, 24}, {192, 32}};
    for (const auto& row : table) EXPECT_EQ(Win::SystemMetricForDensity(SM_CXSMICON, row.density), row.smallIcon);
}

}  // namespace
