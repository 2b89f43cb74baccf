// The real updater.exe closed at random moments of a download that lasts
// about a second and a half: by a WM_CLOSE posted to its window, as the
// window's close picture and the system's close command do. Every run ends
// by itself with 0, and leaves either the whole file under its final name,
// started, or nothing at all. Every other run closes in the first third of
// the span, so early that the server has not sent the body yet: those runs
// must stop and leave nothing (an ignored close would end them complete).
//
// UPDATER_SOAK_RUNS sets the number of runs (12 by default), UPDATER_SOAK_SEED
// repeats the moments of an earlier run.
#include "support/BrowserStub.h"
#include "support/BuiltInUrlServer.h"
#include "support/DemoSetup.h"
#include "support/EnvironmentNumber.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SystemSettings.h"
#include "support/Utf8.h"
#include "support/WindowFinder.h"
#include "win/Unique.h"

#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <random>

using namespace TestSupport;

namespace {

constexpr unsigned long kPaddingBytes = 100000;    // after the 210 KB program
constexpr unsigned long kBytesPerSecond = 200000;  // about 1.5 s of transfer
constexpr unsigned long kRunLimitMs = 30000;
// A close posted while this much of the body was still unsent (half a second
// of the trickle) reaches the window before the transfer can have ended.
constexpr unsigned long kUnsentAtAnEarlyClose = kBytesPerSecond / 2;

// Waits `delayMs` from the start, then posts WM_CLOSE to the updater's
// window (once it has one). Returns the server's count of body bytes sent at
// that moment, or nullopt when the process ended before a close was posted.
std::optional<unsigned long long> CloseAfter(DWORD processId, unsigned long delayMs, const BuiltInUrlServer& server) {
    const Win::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process || WaitForSingleObject(process.get(), delayMs) != WAIT_TIMEOUT) return std::nullopt;
    // A run that never shows its window is left to the run's own time limit.
    const HWND window = WaitForUpdaterWindow(processId, kRunLimitMs);
    if (!window) return std::nullopt;
    const unsigned long long sent = server.BodyBytesSent();
    PostMessageW(window, WM_CLOSE, 0, 0);
    return sent;
}

UpdaterRunOptions RunOptions() {
    UpdaterRunOptions options;
    options.TimeoutMs = kRunLimitMs;
    return options;
}

struct Tally {
    unsigned long runs = 0, completed = 0, stopped = 0, early = 0, hangs = 0, crashes = 0, leftovers = 0;
};

// Closing the window at any moment of the download never hangs or crashes
// the updater and never leaves a partial or unstarted file behind.
TEST(CloseAtRandomE2ETest, EveryRunEndsWithTheWholeFileStartedOrNothing) {
    const unsigned long long seed = EnvironmentNumber("UPDATER_SOAK_SEED", std::random_device{}());
    const unsigned long long runs = EnvironmentNumber("UPDATER_SOAK_RUNS", 12, 1);
    const std::string body = DemoSetupDownload(kPaddingBytes);
    const BuiltInUrlServer server(ServerAnswer::Body(body, kBytesPerSecond));
    const ScopedSystemProxy noProxy(0, std::nullopt);
    ScopedBrowserStub browser;

    // One run left alone gives the span in which the closes fall.
    ULONGLONG span = 0;
    {
        const UpdaterRun run(RunOptions());
        const UpdaterRunEnd end = run.Run();
        span = end.ElapsedMs;
        ASSERT_EQ(end.ExitCode, 0);
        ASSERT_TRUE(run.SetupStarted()) << "a run left alone starts the setup program";
    }
    std::cout << "close at random: seed " << seed << " (UPDATER_SOAK_SEED), " << runs << " runs, closes within "
              << span << " ms of the start" << std::endl;
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<unsigned long> moment(0, static_cast<unsigned long>(span));
    // The transfer is the span's last part: by a third of the span at most a
    // third of the body has gone out, however long the start took.
    std::uniform_int_distribution<unsigned long> earlyMoment(0, static_cast<unsigned long>(span / 3));

    Tally tally;
    for (unsigned long long n = 0; n < runs; ++n) {
        const UpdaterRun run(RunOptions());
        const unsigned long delay = n % 2 ? moment(random) : earlyMoment(random);
        const unsigned long long sentBefore = server.BodyBytesSent();
        std::optional<unsigned long long> sentAtClose;
        const UpdaterRunEnd end =
            run.Run(L"", [&](DWORD processId) { sentAtClose = CloseAfter(processId, delay, server); });
        const bool started = run.SetupStarted();
        ++tally.runs;
        const bool early = sentAtClose && *sentAtClose - sentBefore + kUnsentAtAnEarlyClose <= body.size();
        std::vector<std::wstring> files;
        for (const std::wstring& file : FilesBelow(run.Folder()))
            if (file != std::wstring(L"target\\") + kSettingsFileInTempFolder) files.push_back(file);
        // Folders too: a stopped run removes the folder it made.
        const std::vector<std::wstring> left = LeftBehindIn(run.TempFolder());
        const std::wstring runFolderName = RunFolderNameIn(run.TempFolder());
        const std::wstring setup = L"target\\" + runFolderName + L"orvinta-setup.exe";
        const bool whole = !runFolderName.empty() && files == std::vector<std::wstring>{setup} && left.size() == 2 &&
                           ReadFileBytes(run.Folder() + files.front()) == body && started;
        const bool nothing = files.empty() && left.empty() && !started;
        if (end.ExitCode == -1) ++tally.hangs;
        else if (end.ExitCode != 0 || ProcessRunning(L"winedbg.exe")) ++tally.crashes;
        if (whole) ++tally.completed;
        else if (nothing) ++tally.stopped;
        else ++tally.leftovers;
        if (early) ++tally.early;
        if (end.ExitCode != 0 || !(whole || nothing) || (early && !nothing)) {
            ADD_FAILURE() << "run " << n << " closed at " << delay << " ms"
                          << (early ? " with the transfer far from its end" : "") << ": exit code " << end.ExitCode
                          << ", " << files.size() << " files, setup " << (started ? "started" : "not started");
            for (const std::wstring& file : files) std::cout << "  left: " << Utf8(file) << std::endl;
        }
    }
    const std::vector<std::wstring> urls = browser.SettledUrls();
    std::cout << "close at random: " << tally.runs << " runs, " << tally.completed << " completed and started, "
              << tally.stopped << " stopped with nothing left (" << tally.early << " closed early), " << tally.hangs << " hangs, " << tally.crashes
              << " crashes, " << tally.leftovers << " with files left, " << urls.size() << " browser opens"
              << std::endl;
    EXPECT_EQ(tally.hangs + tally.crashes + tally.leftovers, 0u) << "seed " << seed;
    EXPECT_GE(tally.early, (runs + 1) / 2) << "every other run closes before the body is sent";
    EXPECT_TRUE(urls.empty()) << "a close is a user's stop, not a failure";
}

}  // namespace
