// Runs (the progress window and its download) against the real test servers:
// the file under its final name, the recorded result, the failure that opens
// the job's URL in the browser (a recording stub), a close during the transfer
// and during the hand-off, an error of the hand-off shown while the window
// stays, the figures of a body that pauses and of one over 4 GiB, and a proxy
// port that is no number.
#include "app/UpdateRun.h"
#include "files/FilePaths.h"
#include "support/BrowserStub.h"
#include "support/DemoSetup.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SystemSettings.h"
#include "support/TestServers.h"
#include "support/Utf8.h"
#include "support/Waits.h"
#include "support/WindowFinder.h"
#include "support/WindowRun.h"
#include "win/Exception.h"
#include "win/Unique.h"
#include "window/ProgressWindow.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <future>
#include <optional>
#include <vector>

using namespace TestSupport;

namespace {

class ProgressWindowDownloadTest : public ::testing::Test {
protected:
    // Makes the run of a job for `url`, proxy off, which starts the download.
    UpdateRun& Start(const std::wstring& url, const std::wstring& registryKey = L"") {
        Job job = IdleJob();
        job.Url = url;
        job.RegistryKey = registryKey;
        return run_.Start(job);
    }

    ScopedBrowserStub browser_;
    WindowRun run_;  // its runs go before the browser stub
    const std::wstring& target_ = run_.Target();
};

// A complete download ends under its final name in the run's own folder
// (a file of that name in the target folder is left as it was), records its
// full path in the job's registry key, leaves no download file, opens no
// browser, and closes the window. (A setup program: the hand-off refuses any
// other file.)
TEST_F(ProgressWindowDownloadTest, CompleteDownloadEndsUnderItsFinalName) {
    ScratchRegistryKey key;
    const ScopedServedDemoSetup served(3 * 1024 * 1024);
    CreateDirectoryW(target_.c_str(), nullptr);
    WriteFileBytes(target_ + served.Name(), "older");
    UpdateRun& run =
        Start(TestServers::Instance().Http("nginx", L"/" + served.Name()), L"HKEY_CURRENT_USER\\" + key.SubKey());
    const ProgressWindow& form = run.Window();
    ASSERT_TRUE(run.Downloading());
    run.Run();  // ends once the file is handed off

    EXPECT_TRUE(run.DownloadCompleted());
    EXPECT_FALSE(run.Downloading());
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_EQ(FilesIn(target_), (std::vector<std::wstring>{served.Name()}));
    EXPECT_EQ(ReadFileBytes(target_ + served.Name()), "older");
    const std::wstring runFolder = RunFolderIn(target_);
    ASSERT_FALSE(runFolder.empty());
    EXPECT_EQ(FilesIn(runFolder), (std::vector<std::wstring>{served.Name()}));
    const std::string download = ReadFileBytes(TestServers::Instance().File("www/" + Utf8(served.Name())));
    EXPECT_TRUE(ReadFileBytes(runFolder + served.Name()) == download);
    EXPECT_EQ(form.SizeText(), L"Downloaded: 3072 / 3072 KB");
    EXPECT_EQ(form.BarPosition(), 100);

    DWORD done = 1, type = 0, size = sizeof done;
    ASSERT_EQ(RegQueryValueExW(key.get(), L"Done", nullptr, &type, reinterpret_cast<BYTE*>(&done), &size), 0);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(done, 0u);
    wchar_t recorded[MAX_PATH] = {};
    size = sizeof recorded;
    ASSERT_EQ(RegQueryValueExW(key.get(), L"FinalFileName", nullptr, &type, reinterpret_cast<BYTE*>(recorded), &size),
              0);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(std::wstring(recorded), runFolder + served.Name());
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

// An error status leaves no file, opens the job's URL in the browser, moves
// nothing and closes the window.
TEST_F(ProgressWindowDownloadTest, ErrorStatusClosesAndOpensTheBrowser) {
    const std::wstring url = TestServers::Instance().Http("fault", L"/status/404");
    UpdateRun& run = Start(url);
    run.Run();
    EXPECT_FALSE(run.DownloadCompleted());
    EXPECT_FALSE(run.Downloading());
    EXPECT_FALSE(IsWindowVisible(run.Window().Handle()));
    EXPECT_TRUE(LeftBehindIn(target_).empty());
    EXPECT_EQ(browser_.SettledUrls(), std::vector<std::wstring>{url});
}

// Closing the window during the transfer hides it, and destroying the run
// stops the download and leaves no file; no browser is opened.
TEST_F(ProgressWindowDownloadTest, CloseDuringTheTransferLeavesNoFile) {
    UpdateRun& run = Start(TestServers::Instance().Http("fault", L"/stall-body/400000"));
    ProgressWindow& form = run.Window();
    ASSERT_TRUE(PumpUntil([&form] { return form.ReceivedSize() > 0; }));
    ASSERT_FALSE(LeftBehindIn(target_).empty());
    form.Close();
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_TRUE(form.Closed());
    run_.Destroy();
    EXPECT_TRUE(LeftBehindIn(target_).empty());
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

// A value that cannot be set in a key that opened: Wine opens the
// performance-text key Perflib\009 for reading and writing as the predefined
// HKEY_PERFORMANCE_TEXT, which stores no values (RegSetValueExW fails with
// ERROR_INVALID_HANDLE). The error is shown in a message box with exactly
// its text, the window stays open until the user closes it, nothing is
// started, and closing deletes nothing.
TEST_F(ProgressWindowDownloadTest, ValueThatCannotBeSetIsShownAndTheWindowStays) {
    ScopedServedDemoSetup setup;
    const ScopedSetupRecord record(run_.Folder());
    Job job = StartingJob(TestServers::Instance().Http("nginx", L"/" + setup.Name()), L"--from-the-window");
    job.RegistryKey = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\009";
    UpdateRun& run = run_.Start(job);
    const ProgressWindow& form = run.Window();
    bool openAtClose = false;
    const HWND window = form.Handle();
    auto shown = std::async(std::launch::async, [window, &openAtClose, &form] {
        auto texts = DismissMessageBox(GetCurrentProcessId(), 60000);
        // The UI thread waits in its loop now: the window is still open.
        openAtClose = IsWindowVisible(window) && !form.Closed();
        PostMessageW(window, WM_CLOSE, 0, 0);  // the user closes the window afterwards
        return texts;
    });
    run.Run();
    const auto texts = shown.get();
    ASSERT_TRUE(texts) << "no message box";
    EXPECT_EQ(*texts, std::vector<std::wstring>{L"Failed to set data for 'Done'"});
    EXPECT_TRUE(openAtClose);
    EXPECT_TRUE(run.DownloadCompleted());

    run_.Destroy();
    EXPECT_NE(GetFileAttributesW((RunFolderIn(target_) + setup.Name()).c_str()), INVALID_FILE_ATTRIBUTES);
    // Started, the program would run now or have left its record already.
    EXPECT_FALSE(ProcessRunning(setup.Name()));
    EXPECT_EQ(GetFileAttributesW(record.Path().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

// The user closes the window during the hand-off's one-second wait (the
// download complete, the message loop ended): the window hides, the setup is
// still checked and started, and the run ends by itself.
TEST_F(ProgressWindowDownloadTest, CloseDuringTheHandOffStillStartsTheSetup) {
    static UpdateRun* closing;
    ScopedServedDemoSetup setup;
    const ScopedSetupRecord record(run_.Folder());
    UpdateRun& run = run_.Start(StartingJob(TestServers::Instance().Http("nginx", L"/" + setup.Name()), L"--closed"));
    closing = &run;
    // Polls from the thread's timer, which the loop and the hand-off's wait both serve.
    SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
        if (!closing->DownloadCompleted()) return;
        KillTimer(nullptr, timer);
        PostMessageW(closing->Window().Handle(), WM_CLOSE, 0, 0);
    });
    const ULONGLONG before = GetTickCount64();
    run.Run();
    std::printf("the run ended %llu ms after its start\n", GetTickCount64() - before);
    EXPECT_TRUE(run.DownloadCompleted());
    EXPECT_TRUE(run.Window().Closed());
    EXPECT_FALSE(IsWindowVisible(run.Window().Handle()));
    EXPECT_TRUE(SetupStartedAs(record.Path(), RunFolderIn(target_) + setup.Name(), L"--closed"));
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

// A proxy port that is no number leaves the window idle: no download, the
// initial size line, and no target folder or download file, also once closed.
TEST_F(ProgressWindowDownloadTest, ProxyPortThatIsNoNumberLeavesTheWindowIdle) {
    Job job = IdleJob();
    job.Proxy = JobProxy{true, L"127.0.0.1", L"idle", false, L"", L""};
    UpdateRun& run = run_.Start(job);
    EXPECT_FALSE(run.Downloading());
    EXPECT_EQ(run.Window().SizeText(), L"Downloaded: 0 KB");
    run_.Destroy();
    EXPECT_FALSE(PathExists(target_));
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

struct PauseCase {
    const char* Name;
    const wchar_t* Query;  // of the fault server's /pause route (which pauses for 600 s)
    const wchar_t* Line;
    int Position;  // -1: the marquee style, where the bar shows no position
};

void PrintTo(const PauseCase& c, std::ostream* os) { *os << c.Name; }

class PausedBody : public ProgressWindowDownloadTest, public ::testing::WithParamInterface<PauseCase> {};

// A server that sends 544 KiB of a 1025 KiB body and pauses: the shown
// window's figures read exactly what was sent within a second of the first
// count it shows, with and without an announced size.
TEST_P(PausedBody, FiguresShowWhatHasArrived) {
    const PauseCase& c = GetParam();
    ProgressWindow& form = Start(TestServers::Instance().Http("fault", L"/pause/557056/1049600") + c.Query).Window();
    form.Show();
    ASSERT_TRUE(PumpUntil([&form] { return form.ReceivedSize() > 0; }, 20000));
    const ULONGLONG first = GetTickCount64();
    const bool exact = PumpUntil([&] { return form.SizeText() == c.Line; }, 1000);
    std::printf("%s: %s after %llu ms\n", c.Name, Utf8(form.SizeText()).c_str(), GetTickCount64() - first);
    EXPECT_TRUE(exact) << Utf8(form.SizeText());
    EXPECT_EQ(form.ReceivedSize(), 557056u);
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    if (c.Position < 0) {
        EXPECT_TRUE(form.BarMarquee());
    } else {
        EXPECT_EQ(form.BarPosition(), c.Position);
        EXPECT_EQ(SendMessageW(form.ProgressBar(), PBM_GETPOS, 0, 0), c.Position);
    }
    form.Close();
    run_.Destroy();
    EXPECT_TRUE(LeftBehindIn(target_).empty());
}

const PauseCase kPauses[] = {
    {"Sized", L"", L"Downloaded: 544 / 1025 KB", 53},
    {"Unsized", L"?sized=0", L"Downloaded: 544 KB", -1},
};

INSTANTIATE_TEST_SUITE_P(Pauses, PausedBody, ::testing::ValuesIn(kPauses),
                         [](const auto& info) { return std::string(info.param.Name); });

// The stand-in setup program followed by a hole up to `size` bytes in the test servers' www folder, which
// nginx serves as "/" + Name(); removed when destroyed.
class ScopedServedSparseFile {
public:
    explicit ScopedServedSparseFile(std::uint64_t size)
        : name_(L"sparse-" + std::to_wstring(GetCurrentProcessId()) + L".exe"),
          path_(TestServers::Instance().File("www/" + Utf8(name_))) {
        const Win::UniqueFile file(
            CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        Win::ThrowLastErrorIf(!file, "CreateFileW");
        // The stand-in setup program at its start: the hand-off takes only a program for a ".exe".
        const std::string program = DemoSetupProgram();
        DWORD written = 0;
        Win::ThrowLastErrorIf(!WriteFile(file.get(), program.data(), static_cast<DWORD>(program.size()), &written,
                                         nullptr),
                              "WriteFile");
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        // Setting the end of the file writes no data (Wine: ftruncate).
        Win::ThrowLastErrorIf(!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get()),
                              "SetEndOfFile");
    }
    ~ScopedServedSparseFile() { DeleteFileW(path_.c_str()); }
    ScopedServedSparseFile(const ScopedServedSparseFile&) = delete;
    ScopedServedSparseFile& operator=(const ScopedServedSparseFile&) = delete;
    const std::wstring& Name() const noexcept { return name_; }

private:
    std::wstring name_;
    std::wstring path_;
};

// What the window showed at one moment of a transfer.
struct ShownFigures {
    std::uint64_t Received;
    std::wstring Line;
    int Position;
    LRESULT NativePosition;
};

// Returns the size line the window must show for `received` of `total` bytes.
std::wstring ExpectedLine(std::uint64_t received, std::uint64_t total) {
    return L"Downloaded: " + std::to_wstring(received / 1024) + L" / " + std::to_wstring(total / 1024) + L" KB";
}

// A body over 4 GiB (a program and then zeros) completes with whole figures:
// above 4 GiB (checked while it runs) and at the end the size line shows the
// real total in KB and the bar's position is count x 100 / total; the file
// has its full size. The downloaded file is deleted at the end.
TEST_F(ProgressWindowDownloadTest, BodyOver4GiBShowsWholeFigures) {
    constexpr std::uint64_t kTotal = (std::uint64_t{17} << 28) + 1000;  // 4.25 GiB and 1000 bytes
    constexpr std::uint64_t kCheckAbove = (std::uint64_t{1} << 32) + (std::uint64_t{64} << 20);
    const ScopedServedSparseFile served(kTotal);
    UpdateRun& run = Start(TestServers::Instance().Http("nginx", L"/" + served.Name()));
    const ProgressWindow& form = run.Window();
    run.Window().Show();
    std::optional<ShownFigures> above4GiB;
    const bool ended = PumpUntil(
        [&] {
            if (!above4GiB && form.ReceivedSize() > kCheckAbove && form.ReceivedSize() < kTotal)
                above4GiB = ShownFigures{form.ReceivedSize(), form.SizeText(), form.BarPosition(),
                                         SendMessageW(form.ProgressBar(), PBM_GETPOS, 0, 0)};
            return !run.Downloading();
        },
        110000);
    // The download has ended: the run goes straight to the hand-off.
    if (ended) run.Run();
    const std::wstring final = RunFolderIn(target_) + served.Name();
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const bool exists = GetFileAttributesExW(final.c_str(), GetFileExInfoStandard, &data);
    DeleteFileW(final.c_str());
    ASSERT_TRUE(ended) << form.ReceivedSize();
    EXPECT_TRUE(run.DownloadCompleted());
    ASSERT_TRUE(above4GiB) << "no figures seen between " << kCheckAbove << " and " << kTotal << " bytes";
    std::printf("above 4 GiB: %s, bar %d\n", Utf8(above4GiB->Line).c_str(), above4GiB->Position);
    EXPECT_EQ(above4GiB->Line, ExpectedLine(above4GiB->Received, kTotal));
    EXPECT_EQ(above4GiB->Position, static_cast<int>(above4GiB->Received * 100 / kTotal));
    EXPECT_EQ(above4GiB->NativePosition, above4GiB->Position);
    EXPECT_GE(above4GiB->Position, 94);
    EXPECT_EQ(form.TotalSize(), kTotal);
    EXPECT_EQ(form.SizeText(), ExpectedLine(kTotal, kTotal));
    EXPECT_EQ(form.BarPosition(), 100);
    ASSERT_TRUE(exists);
    EXPECT_EQ((std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow, kTotal);
}

}  // namespace
