// The progress window as the toolkit builds it from its layout: geometry at
// the monitor's density (96 and 144 pixels per inch through LogPixels), the
// fonts, the close picture, the progress figures; a screenshot when
// UPDATER_SCREENSHOT_DIR is set. The job's proxy port is no number, so the
// window stays idle and starts no download.
#include "completion/MessageWait.h"
#include "download/DownloadMessages.h"
#include "files/FilePaths.h"
#include "job/Job.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/Screenshot.h"
#include "support/SystemSettings.h"
#include "support/Utf8.h"
#include "support/WindowFinder.h"
#include "support/WindowRun.h"
#include "toolkit/Application.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/ProgressBar.h"
#include "win/ComApartment.h"
#include "window/ProgressWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <stdexcept>
#include <thread>

using namespace TestSupport;
using namespace Toolkit;

namespace {

// An idle window (its job's proxy port is no number), made as the entry routine makes it.
class ProgressWindowTest : public ::testing::Test {
protected:
    ProgressWindowTest() : window_(run_.Start(IdleJob())) {}
    TProgressWindow& form() { return window_; }

    TWindowRun run_;
    TProgressWindow& window_;
};

// Every length of the 115-pixels-per-inch layout arrives scaled by m / 115:
// through the toolkit's load (96 -> m) and the setup's rescale (m -> m*96/115),
// each rounded to the nearest integer.
TEST_F(ProgressWindowTest, GeometryFollowsTheMonitorDensity) {
    const int m = StartedDensity();
    ASSERT_EQ(form().MonitorPixelsPerInch(), m);
    const int target = m * 96 / 115;
    auto scaled = [&](int design) { return MulDiv(MulDiv(design, m, 96), target, m); };
    auto creation = [&](int length) { return std::max(1, length * m / 115); };

    EXPECT_EQ(form().ClientWidth(), scaled(550));
    EXPECT_EQ(form().ClientHeight(), scaled(151));
    EXPECT_LE(std::abs(form().ClientWidth() - 550 * m / 115), 1);
    EXPECT_LE(std::abs(form().ClientHeight() - 151 * m / 115), 1);
    RECT client;
    GetClientRect(form().Handle(), &client);
    EXPECT_EQ(client.right, form().ClientWidth());
    EXPECT_EQ(client.bottom, form().ClientHeight());

    TPanel& frame = *form().FramePanel;
    EXPECT_EQ(frame.Width(), form().ClientWidth());
    EXPECT_EQ(frame.ClientWidth(), form().ClientWidth() - 4);
    EXPECT_EQ(frame.ClientHeight(), form().ClientHeight() - 4);
    TPanel& strip = *form().DragStrip;
    EXPECT_EQ(strip.Top(), 0);
    EXPECT_EQ(strip.Width(), frame.ClientWidth());
    EXPECT_EQ(strip.Height(), scaled(23));
    EXPECT_EQ(form().ArrowPicture->Left(), scaled(20));
    EXPECT_EQ(form().ArrowPicture->Top(), scaled(42));
    EXPECT_EQ(form().ArrowPicture->Width(), 48);

    TPanel& progress = *form().ProgressPanel;
    EXPECT_EQ(progress.Width(), frame.ClientWidth() - (form().ArrowPicture->Left() + 48) - creation(15));
    EXPECT_EQ(progress.Left() + progress.Width(), frame.ClientWidth());
    EXPECT_EQ(progress.Top(), strip.Height());
    EXPECT_EQ(progress.Height(), frame.ClientHeight() - strip.Height());
    EXPECT_EQ(form().ProgressBar->Width(), progress.ClientWidth() - creation(25));
    EXPECT_EQ(form().ProgressBar->Top(), scaled(46));
    EXPECT_EQ(form().ProgressBar->Height(), scaled(20));
    EXPECT_EQ(form().TitleLabel->Top(), scaled(15));
    EXPECT_EQ(form().SizeLabel->Top(), scaled(72));

    // The native windows agree with the toolkit's numbers.
    RECT native;
    GetWindowRect(progress.Handle(), &native);
    MapWindowPoints(nullptr, frame.Handle(), reinterpret_cast<POINT*>(&native), 2);
    EXPECT_EQ(native.left, progress.Left());
    EXPECT_EQ(native.right - native.left, progress.Width());
}

// The close picture sits 7 pixels from the right edge of FramePanel's client area
// and 5 below the strip's top at 96 pixels per inch; 11 and 8 at 144.
TEST_F(ProgressWindowTest, ClosePicturePlacement) {
    const int m = StartedDensity();
    ASSERT_EQ(form().MonitorPixelsPerInch(), m);
    const struct {
        int density, right, top;
    } table[] = {{96, 7, 5}, {144, 11, 8}, {192, 15, 11}};
    bool checked = false;
    for (const auto& row : table) {
        if (row.density != m) continue;
        EXPECT_EQ(form().FramePanel->ClientWidth() - (form().CloseButton->Left() + form().CloseButton->Width()), row.right);
        EXPECT_EQ(form().CloseButton->Top(), row.top);
        checked = true;
    }
    EXPECT_TRUE(checked) << "no row for " << m;
}

// The window font is the default font; SizeLabel (tag 11) is one pixel taller,
// TitleLabel keeps its own face; the texts come from the job.
TEST_F(ProgressWindowTest, FontsAndTexts) {
    const int m = StartedDensity();
    ASSERT_EQ(form().MonitorPixelsPerInch(), m);
    const int target = m * 96 / 115;
    EXPECT_EQ(form().Font().Height, MulDiv(MulDiv(-13, m, 96), target, m));
    EXPECT_EQ(Application().DefaultFont.Height, form().Font().Height);
    EXPECT_EQ(form().SizeLabel->Font().Height, form().Font().Height - 1);
    EXPECT_EQ(form().TitleLabel->Font().Name, L"Segoe UI Semilight");
    EXPECT_EQ(form().TitleLabel->Font().Height, MulDiv(MulDiv(-18, m, 96), target, m));
    EXPECT_EQ(form().TitleLabel->Caption(), L"Downloading");
    EXPECT_EQ(form().SizeLabel->Caption(), L"Downloaded: 0 KB");
    EXPECT_EQ(form().ProgressBar->Style(), TProgressBarStyle::pbstNormal);
}

// A click on the close picture (through the strip's window) closes the
// window and ends the loop; the window is hidden at once.
TEST_F(ProgressWindowTest, ClosePictureEndsTheLoop) {
    const HWND strip = form().DragStrip->Handle();
    const LPARAM onPicture = MAKELPARAM(form().CloseButton->Left() + 8, form().CloseButton->Top() + 8);
    PostMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, onPicture);
    PostMessageW(strip, WM_LBUTTONUP, 0, onPicture);
    Application().Run();  // returns only once the application is told to terminate
    EXPECT_TRUE(Application().Terminated());
    EXPECT_FALSE(IsWindowVisible(form().Handle()));
}

// Shown, the window paints its pictures with their transparency: the red
// ring of ArrowPicture over the window colour, the corner of the picture showing
// the background. Saves a screenshot into UPDATER_SCREENSHOT_DIR when set.
TEST_F(ProgressWindowTest, ShownWindowPaintsItsPictures) {
    form().Show();
    RunUnixShell("sleep 0.5", true);
    POINT image{form().ArrowPicture->Left(), form().ArrowPicture->Top()};
    ClientToScreen(form().FramePanel->Handle(), &image);
    HDC screen = GetDC(nullptr);
    const COLORREF ring = GetPixel(screen, image.x + 24, image.y + 3);
    const COLORREF corner = GetPixel(screen, image.x + 1, image.y + 1);
    ReleaseDC(nullptr, screen);
    EXPECT_GT(GetRValue(ring), 150);
    EXPECT_LT(GetGValue(ring), 90);
    EXPECT_EQ(corner, GetSysColor(COLOR_WINDOW));
    if (const char* folder = std::getenv("UPDATER_SCREENSHOT_DIR")) {
        const std::string name =
            std::string(folder) + "\\updater-window-" + std::to_string(StartedDensity()) + "dpi.png";
        SaveWindowScreenshot(form().Handle(), std::wstring(name.begin(), name.end()));
        EXPECT_NE(GetFileAttributesA(name.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

// A proxy port that is no number leaves the window idle: no thread, the
// initial size line, and no target folder or download file, also once closed.
TEST_F(ProgressWindowTest, ProxyPortThatIsNoNumberLeavesTheWindowIdle) {
    EXPECT_FALSE(form().DownloadThread);
    EXPECT_EQ(form().SizeLabel->Caption(), L"Downloaded: 0 KB");
    Application().DestroyForms();
    EXPECT_FALSE(PathExists(run_.Target()));
}

struct TProgressStep {
    WPARAM Kind;
    LPARAM Value;
    const wchar_t* Line;
    int Position;
    TProgressBarStyle Style;
};

// The notifications, sent to the real window, set the size line, the bar's
// position (the native bar's too) and its style; each sequence starts afresh.
TEST_F(ProgressWindowTest, ProgressNotificationsSetFiguresAndBar) {
    const TProgressBarStyle normal = TProgressBarStyle::pbstNormal, marquee = TProgressBarStyle::pbstMarquee;
    const struct {
        const char* name;
        std::vector<TProgressStep> steps;
    } sequences[] = {
        {"known total",
         {{PROGRESS_BEGIN, 1049600, L"Downloaded: 0 / 1025 KB", 0, normal},
          {PROGRESS_WORK, 557056, L"Downloaded: 544 / 1025 KB", 53, normal},
          {PROGRESS_END, 0, L"Downloaded: 1025 / 1025 KB", 100, normal}}},
        {"unknown total",
         {{PROGRESS_BEGIN, 0, L"Downloaded: 0 KB", 0, marquee},
          {PROGRESS_WORK, 1023, L"Downloaded: 0 KB", 0, marquee},
          {PROGRESS_WORK, 1024, L"Downloaded: 1 KB", 0, marquee},
          {PROGRESS_END, 0, L"Downloaded: 0 KB", 100, marquee}}},
        {"sizes of 4 GiB and more, whole",
         {{PROGRESS_BEGIN, LPARAM(5) << 30, L"Downloaded: 0 / 5242880 KB", 0, normal},
          {PROGRESS_WORK, (LPARAM(1) << 32) + 557056, L"Downloaded: 4194848 / 5242880 KB", 80, normal},
          {PROGRESS_END, 0, L"Downloaded: 5242880 / 5242880 KB", 100, normal}}},
        {"largest sizes, no overflow",
         {{PROGRESS_BEGIN, LPARAM(1) << 62, L"Downloaded: 0 / 4503599627370496 KB", 0, normal},
          {PROGRESS_WORK, (LPARAM(3) << 60), L"Downloaded: 3377699720527872 / 4503599627370496 KB", 75, normal}}},
        {"marquee switched on and off, figures kept",
         {{PROGRESS_BEGIN, 4096, L"Downloaded: 0 / 4 KB", 0, normal},
          {PROGRESS_WORK, 2048, L"Downloaded: 2 / 4 KB", 50, normal},
          {PROGRESS_MARQUEE, 1, L"Downloaded: 2 / 4 KB", 50, marquee},
          {PROGRESS_MARQUEE, 0, L"Downloaded: 2 / 4 KB", 50, normal}}},
        {"unknown kind changes no size",
         {{PROGRESS_BEGIN, 4096, L"Downloaded: 0 / 4 KB", 0, normal},
          {7, 2048, L"Downloaded: 0 / 4 KB", 0, normal}}},
    };
    for (const auto& sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        form().TotalSize = form().ReceivedSize = 0;
        form().ProgressBar->SetStyle(TProgressBarStyle::pbstNormal);
        form().ProgressBar->SetPosition(0);
        for (const TProgressStep& step : sequence.steps) {
            SCOPED_TRACE(Utf8(step.Line));
            SendMessageW(form().Handle(), WM_DOWNLOAD_PROGRESS, step.Kind, step.Value);
            EXPECT_EQ(form().SizeLabel->Caption(), step.Line);
            EXPECT_EQ(form().ProgressBar->Position(), step.Position);
            // The native bar reports no position while in the marquee style.
            if (step.Style == normal) {
                EXPECT_EQ(SendMessageW(form().ProgressBar->Handle(), PBM_GETPOS, 0, 0), step.Position);
            }
            EXPECT_EQ(form().ProgressBar->Style(), step.Style);
        }
    }
}

// The hand-off's wait lasts 1000 ms by the tick count, also when the count
// wraps during it; it handles messages posted meanwhile and sleeps between
// them: it reads the tick count once per wake-up, where a busy loop reads it
// thousands of times.
TEST_F(ProgressWindowTest, WaitServesMessagesAcrossATickCountWrapWithoutSpinning) {
    static DWORD offset, reads, last;
    constexpr DWORD kStart = 0xFFFFFE70u;  // wraps 400 ms into the wait
    offset = kStart - GetTickCount();
    reads = 0;
    std::thread poster([window = form().Handle()] {
        Sleep(200);
        PostMessageW(window, WM_DOWNLOAD_PROGRESS, PROGRESS_WORK, 2048);
        Sleep(400);
        PostMessageW(window, WM_DOWNLOAD_PROGRESS, PROGRESS_WORK, 3072);
    });
    const ULONGLONG before = GetTickCount64();
    WaitServingMessages(1000, [] {
        ++reads;
        return last = GetTickCount() + offset;
    });
    const ULONGLONG waited = GetTickCount64() - before;
    poster.join();
    EXPECT_GE(static_cast<DWORD>(last - kStart), 1000u);
    EXPECT_GE(waited, 1000u);
    EXPECT_LT(waited, 10000u);  // only catches a wait that the wrap made endless
    EXPECT_EQ(form().SizeLabel->Caption(), L"Downloaded: 3 KB");
    EXPECT_LE(reads, 12u) << "the wait polls instead of sleeping";
}

}  // namespace
