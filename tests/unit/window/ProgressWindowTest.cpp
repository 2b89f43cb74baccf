// The progress window on a real display: geometry at the monitor's density
// (96, 144 and 192 pixels per inch through LogPixels), the fonts, the close
// button, the pictures, the progress figures and a change of density; a
// screenshot when UPDATER_SCREENSHOT_DIR is set. The window is made alone,
// with a job's texts: nothing is downloaded.
#include "completion/MessageWait.h"
#include "files/FilePaths.h"
#include "job/Job.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/Screenshot.h"
#include "support/SystemSettings.h"
#include "support/Utf8.h"
#include "support/Waits.h"
#include "support/WindowRun.h"
#include "win/DeviceContext.h"
#include "win/MessageLoop.h"
#include "win/MessageWindow.h"
#include "win/Unique.h"
#include "window/ProgressWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace TestSupport;

namespace {

// Returns a part's rectangle in its parent window's client coordinates.
RECT PartRect(HWND part) {
    RECT area;
    GetWindowRect(part, &area);
    MapWindowPoints(nullptr, GetParent(part), reinterpret_cast<POINT*>(&area), 2);
    return area;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Returns the font a part was given (WM_SETFONT).
LOGFONTW FontOf(HWND part) {
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(part, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

std::wstring TextOf(HWND part) {
    wchar_t text[256] = {};
    GetWindowTextW(part, text, 256);
    return text;
}

bool ShowsMarquee(HWND bar) { return (GetWindowLongPtrW(bar, GWL_STYLE) & PBS_MARQUEE) != 0; }

// The window alone, made with the texts of a job read back from the settings file.
class ProgressWindowTest : public ::testing::Test {
protected:
    ProgressWindowTest() : window_(&run_.MakeWindow(IdleJob())) {}
    ProgressWindow& form() { return *window_; }

    WindowRun run_;
    ProgressWindow* window_;
};

// Every length of the 115-pixels-per-inch design arrives scaled by m / 115,
// in two rounded steps (96 -> m, then m -> m*96/115); the lengths the window
// derives (the panel's and the bar's widths) are truncated; the picture is
// 48 pixels at 96 and grows with the density. Inside the 2-pixel frame: the
// strip on top, the picture, and right of it the panel with the texts and the bar.
TEST_F(ProgressWindowTest, GeometryFollowsTheMonitorDensity) {
    const int m = StartedDensity();
    ASSERT_EQ(form().Layout().PixelsPerInch, m);
    const int target = m * 96 / 115;
    auto scaled = [&](int design) { return MulDiv(MulDiv(design, m, 96), target, m); };
    auto creation = [&](int length) { return std::max(1, length * m / 115); };

    RECT client;
    GetClientRect(form().Handle(), &client);
    EXPECT_EQ(client.right, scaled(550));
    EXPECT_EQ(client.bottom, scaled(151));
    EXPECT_LE(std::abs(client.right - 550 * m / 115), 1);
    EXPECT_LE(std::abs(client.bottom - 151 * m / 115), 1);
    RECT bounds;
    GetWindowRect(form().Handle(), &bounds);
    EXPECT_EQ(Width(bounds), client.right) << "borderless";

    const int frame = 2, innerWidth = client.right - 4, innerHeight = client.bottom - 4;
    const RECT strip = PartRect(form().DragStrip());
    EXPECT_EQ(strip.left, frame);
    EXPECT_EQ(strip.top, frame);
    EXPECT_EQ(Width(strip), innerWidth);
    EXPECT_EQ(Height(strip), scaled(23));

    const RECT& arrow = form().Layout().Arrow;
    EXPECT_EQ(arrow.left, frame + scaled(20));
    EXPECT_EQ(arrow.top, frame + scaled(42));
    EXPECT_EQ(Width(arrow), 48 * m / 96);
    EXPECT_EQ(form().ArrowPicture().Size(), 48 * m / 96);

    // The panel: right of the picture, below the strip, to the frame's inner edge.
    const int panelWidth = innerWidth - (scaled(20) + 48 * m / 96) - creation(15);
    const int panelLeft = frame + innerWidth - panelWidth, panelTop = frame + Height(strip);
    const RECT title = PartRect(form().TitleLabel());
    const RECT bar = PartRect(form().ProgressBar());
    const RECT size = PartRect(form().SizeLabel());
    for (const RECT* part : {&title, &bar, &size}) EXPECT_EQ(part->left, panelLeft);
    EXPECT_EQ(title.right, frame + innerWidth) << "a long title is cut at the panel's edge";
    EXPECT_EQ(title.top, panelTop + scaled(15));
    EXPECT_EQ(Width(bar), panelWidth - creation(25));
    EXPECT_EQ(bar.top, panelTop + scaled(46));
    EXPECT_EQ(Height(bar), scaled(20));
    EXPECT_EQ(size.top, panelTop + scaled(72));
    EXPECT_LE(size.bottom, frame + innerHeight);
}

// The close button's right edge sits 7 pixels from the right edge of the
// frame's inside and its top 5 below the strip's top at 96 pixels per inch;
// 11 and 8 at 144, 15 and 11 at 192. The cross is 16, 24 and 32 pixels.
TEST_F(ProgressWindowTest, CloseButtonPlacement) {
    const int m = StartedDensity();
    ASSERT_EQ(form().Layout().PixelsPerInch, m);
    const struct {
        int density, right, top, size;
    } table[] = {{96, 7, 5, 16}, {144, 11, 8, 24}, {192, 15, 11, 32}};
    RECT client;
    GetClientRect(form().Handle(), &client);
    const RECT button = PartRect(form().CloseButton());
    const RECT strip = PartRect(form().DragStrip());
    bool checked = false;
    for (const auto& row : table) {
        if (row.density != m) continue;
        EXPECT_EQ(client.right - 2 - button.right, row.right);
        EXPECT_EQ(button.top - strip.top, row.top);
        EXPECT_EQ(Width(button), row.size);
        EXPECT_EQ(form().CrossPicture().Size(), row.size);
        checked = true;
    }
    EXPECT_TRUE(checked) << "no row for " << m;
    // The button lies over the strip, so a click there reaches the button.
    POINT centre{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    ClientToScreen(form().Handle(), &centre);
    ShowWindow(form().Handle(), SW_SHOWNA);
    EXPECT_EQ(WindowFromPoint(centre), form().CloseButton());
}

// The window font scaled as the design; the size line one pixel
// taller; the title keeps its own face; the texts come from the job.
TEST_F(ProgressWindowTest, FontsAndTexts) {
    const int m = StartedDensity();
    const int target = m * 96 / 115;
    const int windowFont = MulDiv(MulDiv(-13, m, 96), target, m);
    EXPECT_EQ(FontOf(form().DragStrip()).lfHeight, windowFont);
    EXPECT_EQ(FontOf(form().SizeLabel()).lfHeight, windowFont - 1);
    EXPECT_EQ(std::wstring(FontOf(form().SizeLabel()).lfFaceName), L"Segoe UI");
    EXPECT_EQ(std::wstring(FontOf(form().TitleLabel()).lfFaceName), L"Segoe UI Semilight");
    EXPECT_EQ(FontOf(form().TitleLabel()).lfHeight, MulDiv(MulDiv(-18, m, 96), target, m));
    EXPECT_EQ(TextOf(form().TitleLabel()), L"Downloading");
    EXPECT_EQ(TextOf(form().SizeLabel()), L"Downloaded: 0 KB");
    EXPECT_FALSE(ShowsMarquee(form().ProgressBar()));
    EXPECT_FALSE(form().BarMarquee());
}

// A click on the close button closes the window and ends the loop; the
// window is hidden at once.
TEST_F(ProgressWindowTest, CloseButtonEndsTheLoop) {
    const HWND button = form().CloseButton();
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    RunWindow(form());  // returns only once the window is closed
    EXPECT_TRUE(form().Closed());
    EXPECT_FALSE(IsWindowVisible(form().Handle()));
}

// Shown, the window paints its frame and its pictures with their
// transparency: the red ring over the window colour, the picture's corner
// showing the background, the grey cross on the button. Saves a screenshot
// into UPDATER_SCREENSHOT_DIR when set.
TEST_F(ProgressWindowTest, ShownWindowPaintsItsPictures) {
    form().Show();
    const RECT& arrow = form().Layout().Arrow;
    const int size = Width(arrow);
    POINT image{arrow.left, arrow.top};
    ClientToScreen(form().Handle(), &image);
    const RECT button = PartRect(form().CloseButton());
    POINT cross{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    ClientToScreen(form().Handle(), &cross);
    POINT edge{0, 60};
    ClientToScreen(form().Handle(), &edge);
    const Win::WindowDc screen(nullptr);
    // The screen holds the window once the ring's top shows red (the display
    // server draws after the window has painted).
    COLORREF ring = 0;
    PumpUntil([&] {
        ring = GetPixel(screen.get(), image.x + size / 2, image.y + size * 3 / 48);
        return GetRValue(ring) > 150 && GetGValue(ring) < 90;
    }, 10000);
    const COLORREF corner = GetPixel(screen.get(), image.x + 1, image.y + 1);
    const COLORREF middle = GetPixel(screen.get(), cross.x, cross.y);
    EXPECT_GT(GetRValue(ring), 150);
    EXPECT_LT(GetGValue(ring), 90);
    EXPECT_EQ(corner, GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(GetPixel(screen.get(), edge.x, edge.y), GetSysColor(COLOR_BTNSHADOW)) << "the frame's outer line";
    EXPECT_LT(GetRValue(middle), 200) << "the cross's centre";
    EXPECT_EQ(GetRValue(middle), GetBValue(middle)) << "grey";
    if (const char* folder = std::getenv("UPDATER_SCREENSHOT_DIR")) {
        const std::string name =
            std::string(folder) + "\\updater-window-" + std::to_string(StartedDensity()) + "dpi.png";
        SaveWindowScreenshot(form().Handle(), std::wstring(name.begin(), name.end()));
        EXPECT_NE(GetFileAttributesA(name.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

// What the run tells the window.
enum class Told { Begun, Received, Ended, Marquee };

struct ProgressStep {
    Told Kind;
    std::uint64_t Value;
    const wchar_t* Line;
    int Position;
    bool Marquee;
};

// What the run tells the real window sets the size line, the bar's position
// (the native bar's too) and its style; each sequence in a fresh window.
TEST_F(ProgressWindowTest, ProgressNotificationsSetFiguresAndBar) {
    const bool normal = false, marquee = true;
    const struct {
        const char* name;
        std::vector<ProgressStep> steps;
    } sequences[] = {
        {"known total",
         {{Told::Begun, 1049600, L"Downloaded: 0 / 1025 KB", 0, normal},
          {Told::Received, 557056, L"Downloaded: 544 / 1025 KB", 53, normal},
          {Told::Ended, 0, L"Downloaded: 1025 / 1025 KB", 100, normal}}},
        {"unknown total",
         {{Told::Begun, 0, L"Downloaded: 0 KB", 0, marquee},
          {Told::Received, 1023, L"Downloaded: 0 KB", 0, marquee},
          {Told::Received, 1024, L"Downloaded: 1 KB", 0, marquee},
          {Told::Ended, 0, L"Downloaded: 0 KB", 100, marquee}}},
        {"sizes of 4 GiB and more, whole",
         {{Told::Begun, std::uint64_t{5} << 30, L"Downloaded: 0 / 5242880 KB", 0, normal},
          {Told::Received, (std::uint64_t{1} << 32) + 557056, L"Downloaded: 4194848 / 5242880 KB", 80, normal},
          {Told::Ended, 0, L"Downloaded: 5242880 / 5242880 KB", 100, normal}}},
        {"largest sizes, no overflow",
         {{Told::Begun, std::uint64_t{1} << 62, L"Downloaded: 0 / 4503599627370496 KB", 0, normal},
          {Told::Received, (std::uint64_t{3} << 60), L"Downloaded: 3377699720527872 / 4503599627370496 KB", 75,
           normal}}},
        {"marquee switched on and off, figures kept",
         {{Told::Begun, 4096, L"Downloaded: 0 / 4 KB", 0, normal},
          {Told::Received, 2048, L"Downloaded: 2 / 4 KB", 50, normal},
          {Told::Marquee, 1, L"Downloaded: 2 / 4 KB", 50, marquee},
          {Told::Marquee, 0, L"Downloaded: 2 / 4 KB", 50, normal}}},
    };
    for (const auto& sequence : sequences) {
        SCOPED_TRACE(sequence.name);
        window_ = &run_.MakeWindow(IdleJob());
        for (const ProgressStep& step : sequence.steps) {
            SCOPED_TRACE(Utf8(step.Line));
            switch (step.Kind) {
            case Told::Begun: form().ShowTransferBegun(step.Value); break;
            case Told::Received: form().ShowReceived(step.Value); break;
            case Told::Ended: form().ShowTransferEnded(); break;
            case Told::Marquee: form().ShowMarquee(step.Value != 0); break;
            }
            EXPECT_EQ(form().SizeText(), step.Line);
            EXPECT_EQ(TextOf(form().SizeLabel()), step.Line);
            EXPECT_EQ(form().BarPosition(), step.Position);
            // The native bar reports no position while in the marquee style.
            if (!step.Marquee) {
                EXPECT_EQ(SendMessageW(form().ProgressBar(), PBM_GETPOS, 0, 0), step.Position);
            }
            EXPECT_EQ(form().BarMarquee(), step.Marquee);
            EXPECT_EQ(ShowsMarquee(form().ProgressBar()), step.Marquee);
        }
    }
}

// WM_DPICHANGED (the window moved to a monitor of another density) lays the
// window out for the new density at the system's suggested place: size,
// parts, fonts and pictures; and back again.
TEST_F(ProgressWindowTest, DensityChangeLaysTheWindowOutAgain) {
    const int started = StartedDensity();
    const int other = started == 96 ? 144 : 96;
    for (const int density : {other, started}) {
        SCOPED_TRACE(density);
        const WindowLayout expected = LayoutFor(density);
        RECT suggested{40, 30, 40 + expected.Client.cx, 30 + expected.Client.cy};
        SendMessageW(form().Handle(), WM_DPICHANGED, MAKEWPARAM(density, density), reinterpret_cast<LPARAM>(&suggested));
        RECT bounds;
        GetWindowRect(form().Handle(), &bounds);
        EXPECT_EQ(bounds.left, 40);
        EXPECT_EQ(bounds.top, 30);
        EXPECT_EQ(Width(bounds), MulDiv(MulDiv(550, density, 96), density * 96 / 115, density));
        EXPECT_EQ(Height(bounds), MulDiv(MulDiv(151, density, 96), density * 96 / 115, density));
        const RECT bar = PartRect(form().ProgressBar()), button = PartRect(form().CloseButton());
        EXPECT_TRUE(EqualRect(&expected.Bar, &bar));
        EXPECT_TRUE(EqualRect(&expected.CloseButton, &button));
        EXPECT_EQ(FontOf(form().TitleLabel()).lfHeight, expected.TitleFont.Height);
        EXPECT_EQ(form().ArrowPicture().Size(), 48 * density / 96);
        EXPECT_EQ(form().CrossPicture().Size(), 16 * density / 96);
    }
}

// The hand-off's wait lasts 1000 ms by the tick count, also when the count
// wraps during it; it handles messages posted meanwhile and sleeps between
// them: it reads the tick count once per wake-up, where a busy loop reads it
// thousands of times.
TEST_F(ProgressWindowTest, WaitServesMessagesAcrossATickCountWrapWithoutSpinning) {
    static DWORD offset, reads, last;
    static HANDLE began;
    // The last value posted and handled.
    WPARAM handled = 0;
    const Win::MessageWindow counter([&handled](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_APP) return DefWindowProcW(window, message, wParam, lParam);
        handled = wParam;
        return LRESULT{0};
    });
    constexpr DWORD kStart = 0xFFFFFE70u;  // wraps 400 ms into the wait
    offset = kStart - GetTickCount();
    reads = 0;
    // The messages come once the wait has begun (its first reading of the
    // clock), apart, so that it sleeps between them.
    const Win::UniqueHandle waiting(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    began = waiting.get();
    std::thread poster([window = counter.Handle()] {
        WaitForSingleObject(began, INFINITE);
        PostMessageW(window, WM_APP, 2, 0);
        Sleep(100);
        PostMessageW(window, WM_APP, 3, 0);
    });
    const ULONGLONG before = GetTickCount64();
    WaitServingMessages(1000, [] {
        if (++reads == 1) SetEvent(began);
        return last = GetTickCount() + offset;
    });
    const ULONGLONG waited = GetTickCount64() - before;
    poster.join();
    EXPECT_GE(static_cast<DWORD>(last - kStart), 1000u);
    EXPECT_GE(waited, 1000u);
    EXPECT_LT(waited, 10000u);  // only catches a wait that the wrap made endless
    EXPECT_EQ(handled, 3u);
    EXPECT_LE(reads, 12u) << "the wait polls instead of sleeping";
}

}  // namespace
