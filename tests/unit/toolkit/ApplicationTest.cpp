// The application object: main form, message loop, the standard error
// display and the switches the updater relies on. Real windows under Xvfb.
#include "support/TestLayouts.h"
#include "support/WindowFinder.h"
#include "toolkit/Application.h"
#include "toolkit/Layout.h"
#include "win/ComApartment.h"
#include "win/Exception.h"

#include <gtest/gtest.h>

#include <future>

using namespace Toolkit;

namespace {

TFormLayout SmallLayout() {
    return TestSupport::BorderlessLayout(200, 100, {{L"TPanel", L"ClickArea", nullptr, 0, 0, 0, 0, TAlign::alClient}});
}

class SmallForm : public TForm {
public:
    SmallForm() { LoadLayout(*this, SmallLayout()); }
};

// A form whose creation handler fails.
class FailingForm : public SmallForm {
public:
    FailingForm() {
        OnCreate = [this] {
            created = true;
            throw Win::Exception(L"creation failed");
        };
    }
    bool created = false;
};

void Click(HWND window, int x, int y) {
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

class ApplicationTest : public ::testing::Test {
protected:
    ApplicationTest() { Application().Initialize(); }
    ~ApplicationTest() override { Application().DestroyForms(); }
    Win::ComApartment com_;
};

// An error raised by a handler is shown in a message box with its text, and
// the loop goes on: the next click is handled and closing the main form ends Run.
TEST_F(ApplicationTest, ErrorInAHandlerIsShownAndTheLoopGoesOn) {
    auto& form = Application().CreateForm<SmallForm>();
    int clicks = 0;
    auto& panel = dynamic_cast<TWinControl&>(*form.FindComponent(L"ClickArea"));
    panel.OnClick = [&] {
        if (++clicks == 1) throw Win::Exception(L"handler failed");
        form.Close();
    };
    const HWND window = panel.Handle();
    Click(window, 10, 10);
    auto dismissed = std::async(std::launch::async, [window] {
        auto texts = TestSupport::DismissMessageBox(GetCurrentProcessId(), 20000);
        Click(window, 20, 20);
        return texts;
    });
    Application().Run();
    const auto texts = dismissed.get();
    ASSERT_TRUE(texts);
    EXPECT_NE(std::find(texts->begin(), texts->end(), L"handler failed"), texts->end());
    EXPECT_EQ(clicks, 2);
    EXPECT_TRUE(Application().Terminated());
}

// An error in the creation handler is shown the same way and the form is
// created all the same, as the main form.
TEST_F(ApplicationTest, CreationHandlerErrorIsShownAndTheFormStays) {
    auto dismissed = std::async(std::launch::async,
                                [] { return TestSupport::DismissMessageBox(GetCurrentProcessId(), 20000); });
    auto& form = Application().CreateForm<FailingForm>();
    const auto texts = dismissed.get();
    ASSERT_TRUE(texts);
    EXPECT_NE(std::find(texts->begin(), texts->end(), L"creation failed"), texts->end());
    EXPECT_TRUE(form.created);
    EXPECT_EQ(Application().MainForm(), &form);
    EXPECT_TRUE(IsWindow(form.Handle()));
}

// With main-form-on-taskbar the main form is an unowned application window;
// without it the application's hidden window owns the form.
TEST_F(ApplicationTest, MainFormOnTaskbarDecidesWhoOwnsTheButton) {
    Application().MainFormOnTaskbar = true;
    auto& own = Application().CreateForm<SmallForm>();
    EXPECT_TRUE(GetWindowLongPtrW(own.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(own.Handle(), GW_OWNER), nullptr);
    Application().DestroyForms();

    Application().MainFormOnTaskbar = false;
    auto& owned = Application().CreateForm<SmallForm>();
    EXPECT_FALSE(GetWindowLongPtrW(owned.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(owned.Handle(), GW_OWNER), Application().Handle());
}

// With ShowMainForm off the loop runs with the main form hidden; on, it is shown.
TEST_F(ApplicationTest, ShowMainFormSwitch) {
    for (bool show : {false, true}) {
        Application().DestroyForms();
        Application().ShowMainForm = show;
        auto& form = Application().CreateForm<SmallForm>();
        bool visibleInLoop = !show;
        form.OnClose = [&](TCloseAction&) { visibleInLoop = IsWindowVisible(form.Handle()) != FALSE; };
        PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
        Application().Run();
        EXPECT_EQ(visibleInLoop, show);
    }
}

// Minimizing the main form raises the application's minimize event.
TEST_F(ApplicationTest, MinimizeEvent) {
    auto& form = Application().CreateForm<SmallForm>();
    int minimized = 0;
    Application().OnMinimize = [&] { ++minimized; };
    form.Show();
    Application().Minimize();
    EXPECT_EQ(minimized, 1);
    EXPECT_EQ(form.WindowState(), TWindowState::wsMinimized);
    Application().Restore();
    EXPECT_EQ(form.WindowState(), TWindowState::wsNormal);
    EXPECT_EQ(minimized, 1);
}

// Closing a form that is not the main form hides it and leaves the loop alone;
// the destroy handlers run when the application destroys its forms.
TEST_F(ApplicationTest, SecondFormHidesOnCloseAndDestroyHandlersRun) {
    Application().CreateForm<SmallForm>();
    auto& second = Application().CreateForm<SmallForm>();
    int destroyed = 0;
    second.OnDestroy = [&] { ++destroyed; };
    second.Show();
    second.Close();
    EXPECT_FALSE(IsWindowVisible(second.Handle()));
    EXPECT_FALSE(Application().Terminated());
    Application().DestroyForms();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(Application().MainForm(), nullptr);
}

// The error text: our message, a standard exception's text, or nothing.
TEST(ExceptionTextTest, Table) {
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(Win::Exception(L"ошибка"))), L"ошибка");
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(std::runtime_error("plain"))), L"plain");
    EXPECT_EQ(ExceptionText(std::make_exception_ptr(42)), L"");
}

}  // namespace
