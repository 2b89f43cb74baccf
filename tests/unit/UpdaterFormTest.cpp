// The progress window as the toolkit builds it from its layout: geometry at
// the monitor's density (96 and 144 pixels per inch through LogPixels), the
// fonts, the close picture, the progress figures; a screenshot when
// UPDATER_SCREENSHOT_DIR is set. The job's proxy port is no number, so the
// window stays idle and starts no download.
#include "DownloadMessages.h"
#include "EntryRoutine.h"
#include "FormFonts.h"
#include "MessageWait.h"
#include "NamingState.h"
#include "UpdaterForm.h"
#include "UpdaterFormUnit.h"
#include "support/FormJob.h"
#include "support/Screenshot.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SystemSettings.h"
#include "support/Utf8.h"
#include "support/WindowFinder.h"
#include "toolkit/Application.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/ProgressBar.h"
#include "win/ComApartment.h"
#include "win/Exception.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <stdexcept>
#include <thread>

using namespace TestSupport;
using namespace Toolkit;

namespace {

class UpdaterFormTest : public ::testing::Test {
protected:
    UpdaterFormTest() : temp_(scratch_.Path()) {
        UpdaterFormUnitStartup();
        TFormJob job;
        job.TargetFilePath = scratch_.Path();
        LoadFormJob(job);
        Application().Initialize();
        Application().MainFormOnTaskbar = true;
        UpdaterForm = &Application().CreateForm<TUpdaterForm>();
    }
    ~UpdaterFormTest() override {
        Application().DestroyForms();
        UpdaterFormUnitTeardown();
    }
    TUpdaterForm& form() { return *UpdaterForm; }

    Win::ComApartment com_;
    ScratchFolder scratch_;
    ScopedTempFolder temp_;
};

// Every length of the 115-pixels-per-inch layout arrives scaled by m / 115:
// through the toolkit's load (96 -> m) and the setup's rescale (m -> m*96/115),
// each rounded to the nearest integer.
TEST_F(UpdaterFormTest, GeometryFollowsTheMonitorDensity) {
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

    TPanel& panel1 = *form().Panel1;
    EXPECT_EQ(panel1.Width(), form().ClientWidth());
    EXPECT_EQ(panel1.ClientWidth(), form().ClientWidth() - 4);
    EXPECT_EQ(panel1.ClientHeight(), form().ClientHeight() - 4);
    TPanel& panel3 = *form().Panel3;
    EXPECT_EQ(panel3.Top(), 0);
    EXPECT_EQ(panel3.Width(), panel1.ClientWidth());
    EXPECT_EQ(panel3.Height(), scaled(23));
    EXPECT_EQ(form().Image1->Left(), scaled(20));
    EXPECT_EQ(form().Image1->Top(), scaled(42));
    EXPECT_EQ(form().Image1->Width(), 48);

    TPanel& panel2 = *form().Panel2;
    EXPECT_EQ(panel2.Width(), panel1.ClientWidth() - (form().Image1->Left() + 48) - creation(15));
    EXPECT_EQ(panel2.Left() + panel2.Width(), panel1.ClientWidth());
    EXPECT_EQ(panel2.Top(), panel3.Height());
    EXPECT_EQ(panel2.Height(), panel1.ClientHeight() - panel3.Height());
    EXPECT_EQ(form().ProgressBar1->Width(), panel2.ClientWidth() - creation(25));
    EXPECT_EQ(form().ProgressBar1->Top(), scaled(46));
    EXPECT_EQ(form().ProgressBar1->Height(), scaled(20));
    EXPECT_EQ(form().Label1->Top(), scaled(15));
    EXPECT_EQ(form().Label2->Top(), scaled(72));

    // The native windows agree with the toolkit's numbers.
    RECT native;
    GetWindowRect(panel2.Handle(), &native);
    MapWindowPoints(nullptr, panel1.Handle(), reinterpret_cast<POINT*>(&native), 2);
    EXPECT_EQ(native.left, panel2.Left());
    EXPECT_EQ(native.right - native.left, panel2.Width());
}

// The close picture sits 7 pixels from the right edge of Panel1's client area
// and 5 below the strip's top at 96 pixels per inch; 11 and 8 at 144.
TEST_F(UpdaterFormTest, ClosePicturePlacement) {
    const int m = StartedDensity();
    ASSERT_EQ(form().MonitorPixelsPerInch(), m);
    const struct {
        int density, right, top;
    } table[] = {{96, 7, 5}, {144, 11, 8}, {192, 15, 11}};
    bool checked = false;
    for (const auto& row : table) {
        if (row.density != m) continue;
        EXPECT_EQ(form().Panel1->ClientWidth() - (form().Image2->Left() + form().Image2->Width()), row.right);
        EXPECT_EQ(form().Image2->Top(), row.top);
        checked = true;
    }
    EXPECT_TRUE(checked) << "no row for " << m;
}

// The window font is the default font; Label2 (tag 11) is one pixel taller,
// Label1 keeps its own face; the texts come from the job.
TEST_F(UpdaterFormTest, FontsAndTexts) {
    const int m = StartedDensity();
    ASSERT_EQ(form().MonitorPixelsPerInch(), m);
    const int target = m * 96 / 115;
    EXPECT_EQ(form().Font().Height, MulDiv(MulDiv(-13, m, 96), target, m));
    EXPECT_EQ(Application().DefaultFont.Height, form().Font().Height);
    EXPECT_EQ(form().Label2->Font().Height, form().Font().Height - 1);
    EXPECT_EQ(form().Label1->Font().Name, L"Segoe UI Semilight");
    EXPECT_EQ(form().Label1->Font().Height, MulDiv(MulDiv(-18, m, 96), target, m));
    EXPECT_EQ(form().Label1->Caption(), UpdaterSettings->GetValue(L"TopText"));
    EXPECT_EQ(form().Label2->Caption(),
              UpdaterSettings->GetValue(L"BottomTextPart1") + L"0" + UpdaterSettings->GetValue(L"BottomTextPart2"));
    EXPECT_EQ(form().ProgressBar1->Style(), TProgressBarStyle::pbstNormal);
}

// A click on the close picture (through the strip's window) closes the
// window and ends the loop; the window is hidden at once.
TEST_F(UpdaterFormTest, ClosePictureEndsTheLoop) {
    const HWND strip = form().Panel3->Handle();
    const LPARAM onPicture = MAKELPARAM(form().Image2->Left() + 8, form().Image2->Top() + 8);
    PostMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, onPicture);
    PostMessageW(strip, WM_LBUTTONUP, 0, onPicture);
    Application().Run();  // returns only once the application is told to terminate
    EXPECT_TRUE(Application().Terminated());
    EXPECT_FALSE(IsWindowVisible(form().Handle()));
}

// Shown, the window paints its pictures with their transparency: the red
// ring of Image1 over the window colour, the corner of the picture showing
// the background. Saves a screenshot into UPDATER_SCREENSHOT_DIR when set.
TEST_F(UpdaterFormTest, ShownWindowPaintsItsPictures) {
    form().Show();
    RunUnixShell("sleep 0.5", true);
    POINT image{form().Image1->Left(), form().Image1->Top()};
    ClientToScreen(form().Panel1->Handle(), &image);
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
// initial size line, and closing it deletes nothing.
TEST_F(UpdaterFormTest, ProxyPortThatIsNoNumberLeavesTheWindowIdle) {
    EXPECT_FALSE(form().DownloaderThread);
    EXPECT_EQ(form().Label2->Caption(), L"Downloaded: 0 KB");
    EXPECT_TRUE(DownloadFileName->empty());
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
TEST_F(UpdaterFormTest, ProgressNotificationsSetFiguresAndBar) {
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
        {"unknown kind changes no size",
         {{PROGRESS_BEGIN, 4096, L"Downloaded: 0 / 4 KB", 0, normal},
          {7, 2048, L"Downloaded: 0 / 4 KB", 0, normal}}},
    };
    for (const auto& sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        form().TotalSize = form().ReceivedSize = 0;
        form().ProgressBar1->SetStyle(TProgressBarStyle::pbstNormal);
        form().ProgressBar1->SetPosition(0);
        for (const TProgressStep& step : sequence.steps) {
            SCOPED_TRACE(Utf8(step.Line));
            SendMessageW(form().Handle(), WM_DOWNLOAD_PROGRESS, step.Kind, step.Value);
            EXPECT_EQ(form().Label2->Caption(), step.Line);
            EXPECT_EQ(form().ProgressBar1->Position(), step.Position);
            // The native bar reports no position while in the marquee style.
            if (step.Style == normal)
                EXPECT_EQ(SendMessageW(form().ProgressBar1->Handle(), PBM_GETPOS, 0, 0), step.Position);
            EXPECT_EQ(form().ProgressBar1->Style(), step.Style);
        }
    }
}

// The hand-off's wait lasts 1000 ms by the tick count, also when the count
// wraps during it; it handles messages posted meanwhile and sleeps between
// them: it reads the tick count once per wake-up, where a busy loop reads it
// thousands of times.
TEST_F(UpdaterFormTest, WaitServesMessagesAcrossATickCountWrapWithoutSpinning) {
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
    EXPECT_EQ(form().Label2->Caption(), L"Downloaded: 3 KB");
    EXPECT_LE(reads, 12u) << "the wait polls instead of sleeping";
}

// The entry routine's guard shows an error of the application's class with
// its message, and any other error as one with an empty message; nothing leaves it.
TEST(EntryGuardTest, ShowsApplicationErrorsAndEmptiesOthers) {
    Toolkit::Application().Initialize();
    const struct {
        std::function<void()> steps;
        std::vector<std::wstring> texts;
    } cases[] = {
        {[] { throw Win::Exception(L"guarded failure"); }, {L"guarded failure"}},
        {[] { throw Win::SystemCallException("CreateWindowExW", 5); }, {L"CreateWindowExW failed (error 0x00000005)"}},
        {[] { throw std::runtime_error("not shown"); }, {}},
        {[] { throw 7; }, {}},
    };
    for (const auto& c : cases) {
        auto dismissed =
            std::async(std::launch::async, [] { return DismissMessageBox(GetCurrentProcessId(), 20000); });
        EXPECT_NO_THROW(RunInEntryGuard(c.steps));
        const auto texts = dismissed.get();
        ASSERT_TRUE(texts) << "no message box";
        EXPECT_EQ(*texts, c.texts);
    }
}

// Without an error the guard shows nothing and the steps run once.
TEST(EntryGuardTest, QuietWithoutAnError) {
    int runs = 0;
    RunInEntryGuard([&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(TopLevelWindows(GetCurrentProcessId(), L"#32770").empty());
}

}  // namespace
