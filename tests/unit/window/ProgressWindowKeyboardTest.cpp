// The progress window by keyboard and by screen reader, in-process on a real
// window under Xvfb: real keys from xdotool reach the window through the
// message loop's dialog keys, and the names the system's accessibility
// proxies (oleacc) give its parts.
#include "support/Processes.h"
#include "support/WindowRun.h"
#include "win/DeviceContext.h"
#include "win/MessageLoop.h"
#include "window/ProgressWindow.h"

#include <gtest/gtest.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <string>

using namespace TestSupport;
using Microsoft::WRL::ComPtr;

namespace {

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Clicks the picture (the window itself, not the strip: no drag), which
// activates the window (with no window manager keys reach only a window that
// was clicked), then sends `keys` with xdotool. Runs beside the loop.
std::future<bool> ClickThenType(const ProgressWindow& window, const std::string& keys) {
    const RECT& arrow = window.Layout().Arrow;
    POINT centre{(arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2};
    ClientToScreen(window.Handle(), &centre);
    const std::string script = "xdotool mousemove " + std::to_string(centre.x) + " " + std::to_string(centre.y) +
                               " sleep 0.2 click 1 sleep 0.3 " + keys;
    return std::async(std::launch::async, [script] { return RunUnixShell(script, false); });
}

struct KeyCase {
    const char* Name;
    const char* Keys;
};

class KeyboardClose : public ::testing::TestWithParam<KeyCase> {};

// Tab moves the focus to the close button; Enter or Space then presses it;
// Esc closes like the button from wherever the focus is.
TEST_P(KeyboardClose, KeysCloseTheWindow) {
    WindowRun run;
    ProgressWindow& form = run.MakeWindow(IdleJob());
    std::future<bool> typed;
    RunWindowCalling(form, [&] { typed = ClickThenType(form, GetParam().Keys); });
    EXPECT_TRUE(typed.get()) << "xdotool did not finish";
    EXPECT_TRUE(form.Closed());
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
}

const KeyCase kKeyCases[] = {
    {"TabThenEnter", "key Tab sleep 0.3 key Return"},
    {"TabThenSpace", "key Tab sleep 0.3 key space"},
    {"Escape", "key Escape"},
};

INSTANTIATE_TEST_SUITE_P(Keys, KeyboardClose, ::testing::ValuesIn(kKeyCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Returns how many pixels of the close button's outer edge are not the
// window colour: the focus cue's dotted frame, which the cross never reaches.
int CueDots(const ProgressWindow& window) {
    RECT button;
    GetWindowRect(window.CloseButton(), &button);
    const Win::WindowDc screen(nullptr);
    int dots = 0;
    for (int x = button.left; x < button.right; ++x)
        for (const LONG y : {button.top, button.bottom - 1})
            if (GetPixel(screen.get(), x, y) != GetSysColor(COLOR_WINDOW)) ++dots;
    return dots;
}

// The steps of a run driven from a second thread, and what the loop saw.
struct Steps {
    ProgressWindow* Form = nullptr;
    std::atomic<int> Stage{0};  // 1: mouse done, 2: seen, 3: Tab done
    HWND FocusByMouse = nullptr, FocusByTab = nullptr;
    int DotsByMouse = -1, DotsByTab = -1;
    bool OpenAfterEnter = false;
};
Steps steps;

// Looks at each stage the driving thread reports, from inside the loop.
void CALLBACK LookAtTheStage(HWND, UINT, UINT_PTR timer, DWORD) {
    if (steps.Stage == 1) {
        steps.FocusByMouse = GetFocus();
        steps.DotsByMouse = CueDots(*steps.Form);
        steps.OpenAfterEnter = !steps.Form->Closed();
        steps.Stage = 2;
    } else if (steps.Stage == 3) {
        KillTimer(nullptr, timer);
        steps.FocusByTab = GetFocus();
        steps.DotsByTab = CueDots(*steps.Form);
        steps.Form->Close();
    }
}

// Enter with the focus on no button presses nothing; the button focused by
// the mouse (pressed, then released elsewhere: no click) shows no focus cue;
// Tab then keeps the focus there and shows the cue.
TEST(KeyboardFocusTest, FocusCueShowsOnlyOnceTheKeyboardMovedTheFocus) {
    WindowRun run;
    ProgressWindow& form = run.MakeWindow(IdleJob());
    steps.Form = &form;
    std::future<bool> driven;
    RunWindowCalling(form, [&] {
        RECT button;
        GetWindowRect(form.CloseButton(), &button);
        const std::string centre =
            std::to_string((button.left + button.right) / 2) + " " + std::to_string((button.top + button.bottom) / 2);
        std::future<bool> clicked = ClickThenType(form, "key Return sleep 0.3");
        driven = std::async(std::launch::async, [centre, first = clicked.share()] {
            if (!first.get()) return false;
            // Pressed on the button, released over the picture: focus without a click.
            if (!RunUnixShell("xdotool mousemove " + centre + " sleep 0.2 mousedown 1 sleep 0.2 mousemove_relative -- -80 40"
                              " sleep 0.2 mouseup 1 sleep 0.5",
                              false))
                return false;
            steps.Stage = 1;
            while (steps.Stage != 2) Sleep(20);
            const bool tabbed = RunUnixShell("xdotool key Tab sleep 0.5", false);
            steps.Stage = 3;
            return tabbed;
        });
        SetTimer(nullptr, 0, 50, LookAtTheStage);
    });
    EXPECT_TRUE(driven.get()) << "xdotool did not finish";
    EXPECT_TRUE(steps.OpenAfterEnter) << "Enter pressed the button without its focus";
    EXPECT_EQ(steps.FocusByMouse, form.CloseButton());
    EXPECT_EQ(steps.DotsByMouse, 0) << "no focus cue for the mouse";
    EXPECT_EQ(steps.FocusByTab, form.CloseButton());
    EXPECT_GT(steps.DotsByTab, 0) << "the focus cue after Tab";
}

// Returns the name oleacc gives the window's client object.
std::wstring AccessibleName(HWND part) {
    ComPtr<IAccessible> object;
    if (FAILED(AccessibleObjectFromWindow(part, static_cast<DWORD>(OBJID_CLIENT), IID_PPV_ARGS(&object)))) return L"?";
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (object->get_accName(self, &name) != S_OK || !name) return L"";
    std::wstring text(name, SysStringLen(name));
    SysFreeString(name);
    return text;
}

long AccessibleRole(HWND part) {
    ComPtr<IAccessible> object;
    if (FAILED(AccessibleObjectFromWindow(part, static_cast<DWORD>(OBJID_CLIENT), IID_PPV_ARGS(&object)))) return -1;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role;
    VariantInit(&role);
    if (FAILED(object->get_accRole(self, &role)) || role.vt != VT_I4) return -1;
    return role.lVal;
}

// The names a screen reader reads: the button "Close" ("Закрыть" in Russian),
// the bar the title line, the size line its text. Wine's oleacc reports the
// generic client role for the button and the bar (Windows: push button and
// progress bar), but it does report the names.
TEST(AccessibilityTest, PartsHaveTheirNames) {
    WindowRun run;
    ProgressWindow& form = run.MakeWindow(IdleJob());
    const char* language = std::getenv("UPDATER_TEST_LANGUAGE");
    const bool russian = language && std::string(language) == "Russian";
    EXPECT_EQ(AccessibleName(form.CloseButton()), russian ? L"Закрыть" : L"Close");
    EXPECT_EQ(AccessibleName(form.ProgressBar()), L"Downloading");
    EXPECT_EQ(AccessibleName(form.SizeLabel()), L"Downloaded: 0 KB");
    EXPECT_EQ(AccessibleName(form.TitleLabel()), L"Downloading");
    const long buttonRole = UnderWine() ? ROLE_SYSTEM_CLIENT : ROLE_SYSTEM_PUSHBUTTON;
    const long barRole = UnderWine() ? ROLE_SYSTEM_CLIENT : ROLE_SYSTEM_PROGRESSBAR;
    EXPECT_EQ(AccessibleRole(form.CloseButton()), buttonRole);
    EXPECT_EQ(AccessibleRole(form.ProgressBar()), barRole);
}

}  // namespace
