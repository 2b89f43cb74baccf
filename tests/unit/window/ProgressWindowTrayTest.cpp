// Tray mode of the progress window, in-process on a real window under Xvfb:
// the icon as Wine's notification area shows it (its stand-alone tray, see
// NotificationAreaIcons), the mouse messages that tray relays to the icon's
// owner, the window's visibility and state, and a real download that ends in
// the started stand-in setup program.
#include "app/UpdateRun.h"
#include "support/DemoSetup.h"
#include "support/SystemSettings.h"
#include "support/TestServers.h"
#include "support/Utf8.h"
#include "support/Waits.h"
#include "support/WindowFinder.h"
#include "support/WindowRun.h"
#include "window/ProgressWindow.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

// The shell gives a window a taskbar button while it is visible, unless it
// is a tool window, when it is unowned or marked as an application window.
bool HasTaskbarButton(HWND window) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    return IsWindowVisible(window) && !(style & WS_EX_TOOLWINDOW) &&
           ((style & WS_EX_APPWINDOW) || !GetWindow(window, GW_OWNER));
}

// Counts the times a window is told to show itself (WM_SHOWWINDOW with TRUE,
// sent by ShowWindow), through a hook on this thread's sent messages.
class ScopedShowCounter {
public:
    explicit ScopedShowCounter(HWND window) {
        window_ = window;
        shows_ = 0;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Watch, nullptr, GetCurrentThreadId());
    }
    ~ScopedShowCounter() { UnhookWindowsHookEx(hook_); }
    ScopedShowCounter(const ScopedShowCounter&) = delete;
    ScopedShowCounter& operator=(const ScopedShowCounter&) = delete;
    int Shows() const { return shows_; }

private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && message->hwnd == window_ && message->message == WM_SHOWWINDOW && message->wParam)
            ++shows_;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND window_ = nullptr;
    static inline int shows_ = 0;
    HHOOK hook_;
};

// Moves the mouse over, or clicks, the one icon in the notification area the
// way the user does: the tray's icon window gets the mouse message and relays
// it (SendNotifyMessageW) to the owner, whose handler runs in this loop.
void PointAtIcon(UINT mouseMessage) {
    const std::vector<HWND> icons = NotificationAreaIcons();
    ASSERT_EQ(icons.size(), 1u);
    PostMessageW(icons.front(), mouseMessage, 0, MAKELPARAM(4, 4));
}

// 557 056 of 1 049 600 bytes: the size line reads 544 / 1025 KB. The client
// reports what has arrived, so the window reaches any point where the server
// holds the body, not only the ends of whole read pieces.
constexpr size_t kHeldAt = 557056;
constexpr size_t kSetupSize = 1049600;

// Checks the tray round trip while the download is held after kHeldAt bytes.
void CheckTrayRoundTrip(ProgressWindow& form, const ScopedShowCounter& counter) {
    // The loop has started and left the window hidden, so without a button.
    EXPECT_EQ(counter.Shows(), 0);
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_FALSE(HasTaskbarButton(form.Handle()));
    // The notification area took the icon (Shell_NotifyIconW NIM_ADD
    // succeeded) and Wine's tray shows it.
    EXPECT_TRUE(form.Tray().Shown());
    EXPECT_TRUE(form.Tray().InNotificationArea());
    ASSERT_EQ(NotificationAreaIcons().size(), 1u);
    // Loaded at the small-icon size of the density: 16 pixels at 96, 24 at 144.
    EXPECT_EQ(form.Tray().IconSize(), 16 * StartedDensity() / 96);

    ASSERT_TRUE(PumpUntil([&] { return form.ReceivedSize() >= kHeldAt; }, 20000)) << form.ReceivedSize();
    ASSERT_EQ(form.ReceivedSize(), kHeldAt);
    EXPECT_TRUE(form.Tray().Tooltip().empty());
    PointAtIcon(WM_MOUSEMOVE);
    ASSERT_TRUE(PumpUntil([&] { return !form.Tray().Tooltip().empty(); }, 20000));
    EXPECT_EQ(form.Tray().Tooltip(), L"Downloading\nDownloaded: 544 / 1025 KB");

    PointAtIcon(WM_LBUTTONUP);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form.Handle()) != FALSE; }, 20000));
    EXPECT_EQ(counter.Shows(), 1);
    EXPECT_FALSE(IsIconic(form.Handle()));
    EXPECT_FALSE(IsZoomed(form.Handle()));
    EXPECT_EQ(GetForegroundWindow(), form.Handle());
    EXPECT_TRUE(HasTaskbarButton(form.Handle()));
    EXPECT_FALSE(form.Tray().Shown());
    EXPECT_FALSE(form.Tray().InNotificationArea());
    EXPECT_TRUE(NotificationAreaIcons().empty());

    // The window menu's Minimize, as the taskbar sends it.
    SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_FALSE(HasTaskbarButton(form.Handle()));
    EXPECT_TRUE(form.Tray().Shown());
    EXPECT_TRUE(form.Tray().InNotificationArea());
    EXPECT_EQ(NotificationAreaIcons().size(), 1u);
}

// "1" starts hidden with only the icon; hovering shows both lines as the
// tooltip, a click brings the window back in front and removes the icon,
// minimizing hides it again and brings the icon back; the download still
// completes, the setup program is started with the job's parameters and the
// loop ends.
TEST(ProgressWindowTrayTest, TrayRoundTripAndTheJobStillCompletes) {
    WindowRun run;
    ScopedServedDemoSetup setup(kSetupSize);
    const ScopedSetupRecord record(run.Folder());
    Job job =
        StartingJob(TestServers::Instance().Http("fault", L"/held/" + std::to_wstring(kHeldAt) + L"/" + setup.Name()),
                    L"/quiet --note \"from the tray\"");
    job.Window.StartInTray = true;
    UpdateRun& updateRun = run.Start(job);
    ProgressWindow& form = updateRun.Window();
    const ScopedShowCounter counter(form.Handle());

    bool ran = false;
    RunCalling(updateRun, [&] {
        ran = true;
        CheckTrayRoundTrip(form, counter);
        setup.Release();  // whatever was checked, the download may end now
    });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(form.Closed());
    EXPECT_TRUE(updateRun.DownloadCompleted());
    EXPECT_EQ(form.SizeText(), L"Downloaded: 1025 / 1025 KB");
    EXPECT_TRUE(SetupStartedAs(record.Path(), RunFolderIn(run.Target()) + setup.Name(), job.SetupArguments));
}

// "1" with nobody at the icon: the download completes and the setup program
// is started without the window ever being shown.
TEST(ProgressWindowTrayTest, UntouchedTrayModeCompletesWithoutShowingTheWindow) {
    WindowRun run;
    ScopedServedDemoSetup setup;
    const ScopedSetupRecord record(run.Folder());
    Job job = StartingJob(TestServers::Instance().Http("nginx", L"/" + setup.Name()), L"--unseen");
    job.Window.StartInTray = true;
    UpdateRun& updateRun = run.Start(job);
    const ScopedShowCounter counter(updateRun.Window().Handle());
    updateRun.Run();
    EXPECT_EQ(counter.Shows(), 0);
    EXPECT_TRUE(updateRun.DownloadCompleted());
    EXPECT_TRUE(SetupStartedAs(record.Path(), RunFolderIn(run.Target()) + setup.Name(), L"--unseen"));
}

// Any text of the tray flag in the settings file but exactly "1" leaves tray mode off: the loop shows the window,
// the icon is never added, and minimizing makes the window iconic on the
// taskbar without the tray mode's handling (which would hide it and show the icon).
TEST(ProgressWindowTrayTest, OtherValuesNeverShowTheIcon) {
    for (const wchar_t* value : {L"0", L"true", L"01", L"", L" 1", L"1 "}) {
        SCOPED_TRACE(Utf8(L"UpdaterMinimized \"" + std::wstring(value) + L"\""));
        WindowRun run;
        ProgressWindow& form = run.MakeWindowWithTrayFlagText(IdleJob(), value);
        EXPECT_FALSE(form.InTrayMode());
        RunWindowCalling(form, [&] {
            EXPECT_TRUE(IsWindowVisible(form.Handle()));
            EXPECT_TRUE(HasTaskbarButton(form.Handle()));
            SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
            EXPECT_TRUE(IsIconic(form.Handle()));
            EXPECT_TRUE(IsWindowVisible(form.Handle()));
            EXPECT_TRUE(HasTaskbarButton(form.Handle()));
            EXPECT_FALSE(form.Tray().Shown());
            EXPECT_FALSE(form.Tray().InNotificationArea());
            EXPECT_TRUE(NotificationAreaIcons().empty());
            form.Close();
        });
        EXPECT_TRUE(form.Closed());
    }
}

// Checks that the tooltip is the first 127 characters of both lines.
void CheckCutTooltip(ProgressWindow& form) {
    const std::wstring full = form.TitleText() + L"\n" + form.SizeText();
    ASSERT_GT(full.size(), TrayIcon::MaxTooltipLength);
    PointAtIcon(WM_MOUSEMOVE);
    ASSERT_TRUE(PumpUntil([&] { return !form.Tray().Tooltip().empty(); }, 20000));
    EXPECT_EQ(form.Tray().Tooltip(), full.substr(0, 127));
}

// A title and size line longer than 127 characters together: the tooltip
// shows their first 127.
TEST(ProgressWindowTrayTest, LongTooltipIsCutTo127Characters) {
    WindowRun run;
    Job job = IdleJob();
    job.Window.StartInTray = true;
    job.Window.Title = L"Downloading the update for " + std::wstring(110, L'x');
    ProgressWindow& form = run.MakeWindow(job);
    RunWindowCalling(form, [&] {
        EXPECT_EQ(form.Tray().IconSize(), 16 * StartedDensity() / 96);
        CheckCutTooltip(form);
        form.Close();
    });
    EXPECT_TRUE(form.Closed());
}

}  // namespace
