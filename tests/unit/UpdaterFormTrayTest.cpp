// Tray mode of the progress window, in-process on a real window under Xvfb:
// the icon as Wine's notification area shows it (its stand-alone tray, see
// NotificationAreaIcons), the mouse messages that tray relays to the icon's
// owner, the window's visibility and state, and a real download that ends in
// the started stand-in setup program.
#include "UpdaterForm.h"
#include "support/DemoSetup.h"
#include "support/FormRun.h"
#include "support/TestServers.h"
#include "support/WindowFinder.h"
#include "toolkit/Application.h"
#include "toolkit/Label.h"
#include "toolkit/TrayIcon.h"

#include <gtest/gtest.h>

using namespace TestSupport;
using Toolkit::Application;
using Toolkit::TWindowState;

namespace {

// The shell gives a window a taskbar button while it is visible, unless it
// is a tool window, when it is unowned or marked as an application window.
bool HasTaskbarButton(HWND window) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    return IsWindowVisible(window) && !(style & WS_EX_TOOLWINDOW) &&
           ((style & WS_EX_APPWINDOW) || !GetWindow(window, GW_OWNER));
}

// Moves the mouse over, or clicks, the one icon in the notification area the
// way the user does: the tray's icon window gets the mouse message and relays
// it (SendNotifyMessageW) to the owner, whose handler runs in this loop.
void PointAtIcon(UINT mouseMessage) {
    const std::vector<HWND> icons = NotificationAreaIcons();
    ASSERT_EQ(icons.size(), 1u);
    PostMessageW(icons.front(), mouseMessage, 0, MAKELPARAM(4, 4));
}

// 589 824 of 1 049 600 bytes: the size line reads 576 / 1025 KB. The client
// reports its reads of 64 KiB whole, so the point is a multiple of 64 KiB.
constexpr size_t kHeldAt = 9 * 65536;
constexpr size_t kSetupSize = 1049600;

// Checks the tray round trip while the download is held after kHeldAt bytes.
void CheckTrayRoundTrip(TUpdaterForm& form) {
    // The loop has started and left the window hidden, so without a button.
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_FALSE(HasTaskbarButton(form.Handle()));
    // The notification area took the icon (Shell_NotifyIconW NIM_ADD
    // succeeded) and Wine's tray shows it.
    EXPECT_TRUE(form.TrayIcon1->Visible());
    EXPECT_TRUE(form.TrayIcon1->InNotificationArea());
    ASSERT_EQ(NotificationAreaIcons().size(), 1u);

    ASSERT_TRUE(PumpUntil([&] { return form.ReceivedSize >= kHeldAt; }, 20000)) << form.ReceivedSize;
    ASSERT_EQ(form.ReceivedSize, kHeldAt);
    EXPECT_TRUE(form.TrayIcon1->Hint().empty());
    PointAtIcon(WM_MOUSEMOVE);
    ASSERT_TRUE(PumpUntil([&] { return !form.TrayIcon1->Hint().empty(); }, 20000));
    EXPECT_EQ(form.TrayIcon1->Hint(), L"Downloading\nDownloaded: 576 / 1025 KB");

    PointAtIcon(WM_LBUTTONUP);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(form.Handle()) != FALSE; }, 20000));
    EXPECT_EQ(form.WindowState(), TWindowState::wsNormal);
    EXPECT_EQ(GetForegroundWindow(), form.Handle());
    EXPECT_TRUE(HasTaskbarButton(form.Handle()));
    EXPECT_FALSE(form.TrayIcon1->Visible());
    EXPECT_FALSE(form.TrayIcon1->InNotificationArea());
    EXPECT_TRUE(NotificationAreaIcons().empty());

    // The window menu's Minimize, as the taskbar sends it.
    SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_FALSE(HasTaskbarButton(form.Handle()));
    EXPECT_TRUE(form.TrayIcon1->Visible());
    EXPECT_TRUE(form.TrayIcon1->InNotificationArea());
    EXPECT_EQ(NotificationAreaIcons().size(), 1u);
}

// "1" starts hidden with only the icon; hovering shows both lines as the
// tooltip, a click brings the window back in front and removes the icon,
// minimizing hides it again and brings the icon back; the download still
// completes, the setup program is started with the job's parameters and the
// loop ends.
TEST(UpdaterFormTrayTest, TrayRoundTripAndTheJobStillCompletes) {
    TFormRun run;
    ScopedServedDemoSetup setup(kSetupSize);
    const std::wstring record = run.Folder() + L"setup-record.txt";
    ScopedEnvironmentVariable recordVariable(L"DEMO_SETUP_RECORD", record);
    TFormJob job;
    job.FileOnWeb = TTestServers::Instance().Http(
        "fault", L"/held/" + std::to_wstring(kHeldAt) + L"/" + setup.Name());
    job.Proxy = TProxyServerInfo{};
    job.UpdaterMinimized = L"1";
    job.AutoStartTargetFile = true;
    job.CommandLineParameters = L"/quiet --note \"from the tray\"";
    TUpdaterForm& form = run.Start(job);

    bool ran = false;
    RunApplicationCalling([&] {
        ran = true;
        CheckTrayRoundTrip(form);
        setup.Release();  // whatever was checked, the download may end now
    });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_TRUE(form.DownloadCompleted);
    EXPECT_EQ(form.Label2->Caption(), L"Downloaded: 1025 / 1025 KB");
    const auto lines = WaitForSetupRecord(record, 20000);
    ASSERT_TRUE(lines) << "the setup program was not started";
    ASSERT_EQ(lines->size(), 3u);
    EXPECT_EQ((*lines)[0], Utf8(run.Target() + setup.Name()));
    EXPECT_EQ((*lines)[2], Utf8(job.CommandLineParameters));
}

// Any text but exactly "1" leaves tray mode off: the loop shows the window,
// the icon is never added, and minimizing makes the window iconic on the
// taskbar without ApplicationMinimize (which would hide it and show the icon).
TEST(UpdaterFormTrayTest, OtherValuesNeverShowTheIcon) {
    for (const wchar_t* value : {L"0", L"true", L"01", L"", L" 1", L"1 "}) {
        SCOPED_TRACE(Utf8(L"UpdaterMinimized \"" + std::wstring(value) + L"\""));
        TFormRun run;
        TFormJob job;  // idle: its proxy port is no number
        job.UpdaterMinimized = value;
        TUpdaterForm& form = run.Start(job);
        EXPECT_FALSE(Application().OnMinimize);
        RunApplicationCalling([&] {
            EXPECT_TRUE(IsWindowVisible(form.Handle()));
            EXPECT_TRUE(HasTaskbarButton(form.Handle()));
            SendMessageW(form.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
            EXPECT_TRUE(IsIconic(form.Handle()));
            EXPECT_TRUE(IsWindowVisible(form.Handle()));
            EXPECT_TRUE(HasTaskbarButton(form.Handle()));
            EXPECT_FALSE(form.TrayIcon1->Visible());
            EXPECT_FALSE(form.TrayIcon1->InNotificationArea());
            EXPECT_TRUE(NotificationAreaIcons().empty());
            form.Close();
        });
        EXPECT_TRUE(Application().Terminated());
    }
}

// Checks that the tooltip is the first 127 characters of both lines.
void CheckCutTooltip(TUpdaterForm& form) {
    const std::wstring full = form.Label1->Caption() + L"\n" + form.Label2->Caption();
    ASSERT_GT(full.size(), Toolkit::TTrayIcon::MaxHintLength);
    PointAtIcon(WM_MOUSEMOVE);
    ASSERT_TRUE(PumpUntil([&] { return !form.TrayIcon1->Hint().empty(); }, 20000));
    EXPECT_EQ(form.TrayIcon1->Hint(), full.substr(0, 127));
}

// A title and size line longer than 127 characters together: the tooltip
// shows their first 127.
TEST(UpdaterFormTrayTest, LongTooltipIsCutTo127Characters) {
    TFormRun run;
    TFormJob job;  // idle
    job.UpdaterMinimized = L"1";
    job.TopText = L"Downloading the update for " + std::wstring(110, L'x');
    TUpdaterForm& form = run.Start(job);
    RunApplicationCalling([&] {
        CheckCutTooltip(form);
        form.Close();
    });
    EXPECT_TRUE(Application().Terminated());
}

}  // namespace
