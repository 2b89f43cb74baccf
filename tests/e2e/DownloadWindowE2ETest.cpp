// The window of a whole run of the real updater.exe during a trickled
// download, at the display density the run was started with: a partly filled
// bar, the client width and the pictures drawn for the density.
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/Screenshot.h"
#include "support/SystemSettings.h"
#include "support/TrickledRun.h"
#include "support/Waits.h"
#include "support/WindowFinder.h"
#include "win/ComApartment.h"
#include "window/WindowLayout.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

using namespace TestSupport;

namespace {

// The arguments of the run: a quoted one with a space, and the macro for
// the parent of the updater's folder.
const wchar_t kArguments[] = L" alpha \"beta gamma\" /d:%UP_LEVEL_CUR_DIR%Q";

// Returns the size of the box around the ink of `area` (client coordinates
// of `window`, as the screen shows it).
SIZE InkBox(HWND window, const RECT& area) {
    POINT origin{area.left, area.top};
    ClientToScreen(window, &origin);
    const int width = area.right - area.left, height = area.bottom - area.top;
    const std::vector<unsigned> pixels = ScreenPixels(RECT{origin.x, origin.y, origin.x + width, origin.y + height});
    const COLORREF colour = GetSysColor(COLOR_WINDOW);
    // Ink: a channel at least 64 away from the background's (for the grey
    // cross on white, about half a pixel covered), so that the faint edge
    // pixels of the smoothing do not decide the box.
    auto ink = [&](unsigned pixel) {
        const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
        return std::abs(r - GetRValue(colour)) >= 64 || std::abs(g - GetGValue(colour)) >= 64 ||
               std::abs(b - GetBValue(colour)) >= 64;
    };
    RECT box{width, height, -1, -1};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (ink(pixels[y * width + x])) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box.right < 0 ? SIZE{0, 0} : SIZE{box.right - box.left, box.bottom - box.top};
}

// During a trickled download the window shows a partly filled bar (the
// server has sent part of the file); closing it then ends the run with 0 and
// leaves nothing. Saves a screenshot of the window into
// UPDATER_SCREENSHOT_DIR when set, named by the density.
TEST(DownloadWindowE2ETest, WindowShowsThePartlyFilledBar) {
    const TrickledRun run(3 * 1024 * 1024, 600 * 1024);
    int position = -1;
    LONG clientWidth = 0;
    SIZE ring{}, cross{};
    const long code = run.Run(kArguments, [&](DWORD process) {
        const HWND window = WaitForUpdaterWindow(process, 20000);
        if (!window) return;
        RECT client = {};
        GetClientRect(window, &client);
        clientWidth = client.right;
        EXPECT_TRUE(run.WaitForBodyBytes(run.Download.size() * 2 / 5));
        // The window shows progress once its thread has taken the worker's notification.
        WaitUntil([&] {
            position = static_cast<int>(SendMessageW(ProgressBarOf(window), PBM_GETPOS, 0, 0));
            return position > 0;
        }, 10000);
        // Painted now, before the pictures are read from the screen.
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        // The picture: everything left of the texts' panel below the strip,
        // inside the frame; the cross: the close button.
        const WindowLayout layout = LayoutFor(StartedDensity());
        ring = InkBox(window, RECT{2, layout.Strip.bottom, layout.ProgressPanel.left, client.bottom - 2});
        cross = InkBox(window, layout.CloseButton);
        if (const char* folder = std::getenv("UPDATER_SCREENSHOT_DIR")) {
            const Win::ComApartment com;
            const std::string name =
                std::string(folder) + "\\updater-run-" + std::to_string(StartedDensity()) + "dpi.png";
            SaveWindowScreenshot(window, std::wstring(name.begin(), name.end()));
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
    }).ExitCode;
    // The 550-pixel design at 115 pixels per inch, laid out at the density the run was started with.
    EXPECT_LE(std::abs(clientWidth - 550 * StartedDensity() / 115), 1) << clientWidth;
    EXPECT_GT(position, 0);
    EXPECT_LT(position, 100);
    // The pictures are drawn for the density: at 96 pixels per inch the ring's
    // ink fills its 48-pixel square and the cross's 12 of its 16 pixels; at m
    // pixels per inch both boxes are m / 96 times that (1.5 at 144, 2 at 192),
    // within 6 %.
    const double scale = StartedDensity() / 96.0;
    std::printf("ring %ld x %ld, cross %ld x %ld at %d dpi\n", ring.cx, ring.cy, cross.cx, cross.cy, StartedDensity());
    for (const auto& [box, size96] : {std::pair{ring, 48}, std::pair{cross, 12}}) {
        EXPECT_NEAR(box.cx, size96 * scale, size96 * scale * 0.06);
        EXPECT_NEAR(box.cy, size96 * scale, size96 * scale * 0.06);
    }
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(LeftBehindIn(run.TempFolder()).empty());
    EXPECT_FALSE(run.SetupStarted());
    EXPECT_TRUE(run.Browser.SettledUrls().empty());
}

}  // namespace
