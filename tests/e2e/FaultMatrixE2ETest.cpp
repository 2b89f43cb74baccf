// Every network and file-system fault the real updater.exe can meet on its
// one job, each run to its end: the process exits with 0 within the HTTP
// client's idle limit (plus start and close), leaves no partial file and
// nothing outside its target folder, opens the job's URL in the browser
// exactly when the download could not be handed off, starts nothing it did
// not complete, and refuses aloud what is not a setup program.
#include "seams/ShortIdleLimit.h"
#include "support/BrowserStub.h"
#include "support/BuiltInUrlServer.h"
#include "support/DemoSetup.h"
#include "support/Processes.h"
#include "support/ScopedTmpfs.h"
#include "support/ScratchFiles.h"
#include "support/SigningFixtures.h"
#include "support/SystemSettings.h"
#include "support/TestServers.h"
#include "support/Utf8.h"
#include "support/WindowFinder.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <optional>

using namespace TestSupport;

namespace {

// The product's idle limit: a call that gets no byte for this long fails.
constexpr unsigned long kProductIdleLimitMs = 30000;
// That limit, and the start and close around it.
constexpr unsigned long kRunLimitMs = 45000;
// Room on the small disk: the settings file fits, the download does not.
constexpr unsigned long long kSmallDiskBytes = 64 * 1024;

// Where the run's temporary (and target) folder lies.
enum class Place {
    Scratch,        // an ordinary folder
    SmallDisk,      // a 64 KiB tmpfs: the settings file fits, the download does not
    ReadOnlyTarget, // the target folder cannot take a file; the settings folder inside it can
};

// The system proxy of the run.
enum class Proxy {
    None,
    Authenticating,  // tinyproxy with Basic authentication; the built-in job has no credentials
    Closed,          // a loopback port nobody listens at
};

// How the run ends.
enum class Outcome {
    TransferFailed,  // nothing left, the job's URL opened in the browser
    Refused,         // not a setup program by its final name: deleted, a message box, no browser
    Saved,           // the complete file under `finalName`, started or not as given
};

// Whether the saved file is started.
enum class Start { No, Yes };

// Which idle limit ends a stall: none is met, the shipped updater.exe's, or
// the short one of updater-short-idle.exe, for a stall whose length is not the point.
enum class IdleLimit { NotMet, Product, Short };

struct FaultCase {
    const char* name;
    // What the built-in URL's server answers (nothing: its port stays closed),
    // given the port of a server that serves the setup program at any path.
    std::function<std::optional<ServerAnswer>(int filePort)> answer;
    Outcome outcome;
    const wchar_t* finalName = nullptr;
    Start started = Start::No;
    Place place = Place::Scratch;
    Proxy proxy = Proxy::None;
    // When set, the built-in URL redirects to the fault server's
    // "/resume/MODE/40000/NAME" for a copy of the setup program in its www
    // folder, which breaks off after 40 000 bytes (the answer above is unused).
    const wchar_t* resumeMode = nullptr;
    IdleLimit idleLimit = IdleLimit::NotMet;
};

std::optional<ServerAnswer> ToFault(const std::wstring& path) {
    return ServerAnswer::Redirect(302, Utf8(TestServers::Instance().Http("fault", path)));
}

std::function<std::optional<ServerAnswer>(int)> ToFile(const std::string& path) {
    return [path](int filePort) {
        return ServerAnswer::Redirect(302, "http://127.0.0.1:" + std::to_string(filePort) + path);
    };
}

std::optional<std::wstring> ProxyServer(Proxy proxy) {
    if (proxy == Proxy::None) return std::nullopt;
    if (proxy == Proxy::Authenticating)
        return L"127.0.0.1:" + std::to_wstring(TestServers::Instance().Port("proxy_auth"));
    const int unused = BuiltInUrlServer(ServerAnswer::Status(500), 0).Port();  // free again once it is gone
    return L"127.0.0.1:" + std::to_wstring(unused);
}

const FaultCase kCases[] = {
    {"StallBeforeHeaders", [](int) { return ToFault(L"/stall-headers"); }, Outcome::TransferFailed, nullptr,
     Start::No, Place::Scratch, Proxy::None, nullptr, IdleLimit::Short},
    // The one run that waits out the shipped limit: it ends neither before 30 s nor long after.
    {"StallMidBody", [](int) { return ServerAnswer::Stall(1000000); }, Outcome::TransferFailed, nullptr, Start::No,
     Place::Scratch, Proxy::None, nullptr, IdleLimit::Product},
    // A dropped connection without a validator (ETag, Last-Modified) cannot be resumed.
    {"BodyShorterThanItsLength", [](int) { return ServerAnswer::ShortBody(std::string(4000, 'x'), 100000); },
     Outcome::TransferFailed},
    {"ResetBeforeAnswer", [](int) { return ToFault(L"/reset"); }, Outcome::TransferFailed},
    {"ResetMidBody", [](int) { return ToFault(L"/reset-body/2000000"); }, Outcome::TransferFailed},
    // With a validator it is asked for again from where it broke off, with If-Range;
    // a 200 to that request is the whole file again. A server that breaks off
    // every answer is given up after the third resumption.
    {"ResetMidBodyResumed", nullptr, Outcome::Saved, nullptr, Start::Yes, Place::Scratch, Proxy::None, L"etag"},
    {"ClosedMidBodyResumed", nullptr, Outcome::Saved, nullptr, Start::Yes, Place::Scratch, Proxy::None, L"close"},
    {"RangeAnsweredWithTheWholeFile", nullptr, Outcome::Saved, nullptr, Start::Yes, Place::Scratch, Proxy::None,
     L"whole"},
    {"ResetEveryTime", nullptr, Outcome::TransferFailed, nullptr, Start::No, Place::Scratch, Proxy::None,
     L"always"},
    {"Status404", [](int) { return ServerAnswer::Status(404); }, Outcome::TransferFailed},
    {"Status500", [](int) { return ServerAnswer::Status(500); }, Outcome::TransferFailed},
    {"RedirectLoop", [](int) { return ToFault(L"/loop"); }, Outcome::TransferFailed},
    {"RedirectToItself", [](int) { return ServerAnswer::Redirect(302, Utf8(UPDATER_DOWNLOAD_URL_FOR_TESTS)); },
     Outcome::TransferFailed},
    {"ConnectionRefused", [](int) { return std::optional<ServerAnswer>(); }, Outcome::TransferFailed},
    {"UnresolvableHost", [](int) { return ServerAnswer::Redirect(302, "http://updater-test.invalid/setup.exe"); },
     Outcome::TransferFailed},
    {"ProxyAsksForCredentials", [](int) { return ServerAnswer::Status(500); }, Outcome::TransferFailed, nullptr,
     Start::No, Place::Scratch, Proxy::Authenticating},
    {"ProxyRefusesConnections", [](int) { return ServerAnswer::Status(500); }, Outcome::TransferFailed, nullptr,
     Start::No, Place::Scratch, Proxy::Closed},
    {"DiskFillsUp", [](int) { return ToFault(L"/slow/3000000"); }, Outcome::TransferFailed, nullptr, Start::No,
     Place::SmallDisk},
    // The download file cannot be made: a failed download like any other.
    {"TargetFolderReadOnly", ToFile("/setup.exe"), Outcome::TransferFailed,
     nullptr, Start::No, Place::ReadOnlyTarget},
    // Odd last components of a redirect's location: the final name stays in the
    // target folder, and only a name ending in ".exe" is started.
    // ".." is resolved away: the name is what follows the host's ":", the port.
    {"RedirectToDotDot", ToFile("/files/.."), Outcome::Refused},
    {"RedirectToDotDotBackslash", ToFile("/files/..\\"), Outcome::Refused},
    {"RedirectToEncodedDotDot", ToFile("/files/%2E%2E"), Outcome::Refused},
    // A device name exists already, so the file gets the next free name.
    {"RedirectToDeviceName", ToFile("/files/CON"), Outcome::Refused},
    {"RedirectToDeviceNameExe", ToFile("/files/NUL.exe"), Outcome::Saved, L"NUL2.exe", Start::Yes},
    {"RedirectToColonName", ToFile("/files/c:setup.exe"), Outcome::Saved, L"setup.exe", Start::Yes},
    {"RedirectToEncodedColonName", ToFile("/files/c%3Asetup.exe"), Outcome::Saved, L"c%3Asetup.exe", Start::Yes},
    // The query and the fragment name no file: a signed link's own "?" and "/" stay out of the name.
    {"RedirectToSignedLink",
     ToFile("/r/orvinta-setup-3.1.exe?X-Amz-Signature=ab%2Fcd&response-content-disposition=attachment"),
     Outcome::Saved, L"orvinta-setup-3.1.exe", Start::Yes},
    {"RedirectWithQueryAndFragment", ToFile("/files/setup.exe?x=1/y.hta#z/w.cmd"), Outcome::Saved, L"setup.exe",
     Start::Yes},
    // No file system takes a name of 300 characters: the file cannot be handed off.
    {"RedirectToOverlongName", ToFile("/files/" + std::string(300, 'n') + ".exe"), Outcome::TransferFailed},
    {"RedirectToEncodedQuestionMark", ToFile("/files/setup.exe%3Fx=1"), Outcome::Refused},
};

void PrintTo(const FaultCase& fault, std::ostream* out) { *out << fault.name; }

class FaultMatrixE2ETest : public ::testing::TestWithParam<FaultCase> {};

// The run ends with 0 in time, leaves exactly the settings file and (when the
// transfer completed) the whole file under its final name inside the target
// folder, opens the browser with the job's URL exactly for a download that
// could not be handed off, starts the setup program only when it was saved
// under a setup program's name, and says so when it was not.
TEST_P(FaultMatrixE2ETest, EndsCleanly) {
    const FaultCase& fault = GetParam();
    const std::string setup = DemoSetupDownload(0);
    BuiltInUrlServer fileServer(ServerAnswer::Body(setup), 0);
    std::optional<BuiltInUrlServer> server;
    std::optional<ScopedServedDemoSetup> served;
    if (fault.resumeMode) {
        served.emplace();
        server.emplace(*ToFault(L"/resume/" + std::wstring(fault.resumeMode) + L"/40000/" + served->Name()));
    } else if (auto answer = fault.answer(fileServer.Port())) {
        server.emplace(*answer);
    }
    const ScopedSystemProxy proxy(fault.proxy == Proxy::None ? 0 : 1, ProxyServer(fault.proxy));
    UpdaterRunOptions options;
    options.TimeoutMs = kRunLimitMs;
    if (fault.idleLimit == IdleLimit::Short) options.Executable = UnixToWindowsPath(UPDATER_SHORT_IDLE_EXE_UNIX_PATH);
    std::optional<ScopedTmpfs> disk;
    if (fault.place != Place::Scratch) {
        disk.emplace(kSmallDiskBytes);
        // A limit on file sizes (RLIMIT_FSIZE) is no stand-in: Wine's process dies of SIGXFSZ.
        if (fault.place == Place::SmallDisk && !disk->Mounted()) GTEST_SKIP() << "no right to mount a tmpfs here";
        if (fault.place == Place::ReadOnlyTarget && !disk->MakeReadOnlyExcept("target/Velmora"))
            GTEST_SKIP() << "no way to make a read-only folder here";
        options.TempFolder = disk->Path() + L"target\\";
        CreateDirectoryW(options.TempFolder.c_str(), nullptr);  // made already when it is to be read-only
    }
    const UpdaterRun run(options);
    // The folder around the target (temporary) folder: nothing may land outside the target folder.
    const std::wstring runFolder = disk ? disk->Path() : run.Folder();
    ScopedBrowserStub browser;
    std::optional<std::vector<std::wstring>> box;
    const UpdaterRunEnd end = run.Run(L"", [&](DWORD process) {
        if (fault.outcome == Outcome::Refused) box = DismissMessageBox(process, kRunLimitMs);
    });
    const bool started = run.SetupStarted();
    const std::vector<std::wstring> files = FilesBelow(runFolder);
    const std::vector<std::wstring> urls = browser.SettledUrls();

    EXPECT_EQ(end.ExitCode, 0) << "-1: still running after " << kRunLimitMs << " ms";
    if (fault.idleLimit != IdleLimit::NotMet) {
        // The stall is met by the limit, not ended early by anything else, and the run ends soon after it.
        const unsigned long limit = fault.idleLimit == IdleLimit::Product ? kProductIdleLimitMs : kShortIdleLimitMs;
        std::cout << "ended after " << end.ElapsedMs << " ms (idle limit " << limit << " ms)" << std::endl;
        EXPECT_GE(end.ElapsedMs, limit - 1000);
        EXPECT_LT(end.ElapsedMs, limit + 15000);
    }
    for (const std::wstring& url : urls) std::cout << "browser: " << Utf8(url) << std::endl;
    std::vector<std::wstring> saved;
    for (const std::wstring& file : files) {
        if (file == std::wstring(L"target\\") + kSettingsFileInTempFolder) continue;
        saved.push_back(file);
    }
    if (fault.outcome == Outcome::Saved) {
        // One file, in the folder the run made inside the target folder.
        ASSERT_EQ(saved.size(), 1u);
        const std::wstring folder = L"target\\" + RunFolderNameIn(run.TempFolder());
        ASSERT_GT(folder.size(), 7u) << "no folder of the run's own";
        EXPECT_EQ(saved[0].rfind(folder, 0), 0u) << Utf8(saved[0]);
        EXPECT_EQ(saved[0].find(L'\\', folder.size()), std::wstring::npos) << Utf8(saved[0]);
        if (fault.finalName) {
            EXPECT_EQ(saved[0], folder + fault.finalName);
        }
        EXPECT_TRUE(ReadFileBytes(runFolder + saved[0]) == setup) << "the whole file";
        EXPECT_TRUE(urls.empty());
    } else {
        EXPECT_TRUE(saved.empty()) << Utf8(saved.front());
        EXPECT_TRUE(LeftBehindIn(run.TempFolder()).empty()) << "the run's folder is removed";
        const std::vector<std::wstring> job = {UPDATER_DOWNLOAD_URL_FOR_TESTS};
        EXPECT_EQ(urls, fault.outcome == Outcome::TransferFailed ? job : std::vector<std::wstring>());
    }
    if (fault.outcome == Outcome::Refused) {
        ASSERT_TRUE(box) << "no message box";
        EXPECT_EQ(*box, std::vector<std::wstring>{TestPublisherRefusalText(UiLanguage::English, Refusal::NotASetup, false)});
    }
    EXPECT_EQ(started, fault.started == Start::Yes);
    // The proxy stops the request before anything reaches the server.
    if (fault.proxy != Proxy::None) {
        EXPECT_TRUE(server->RequestLines().empty());
    }
    for (const std::wstring& file : files) std::cout << "left: " << Utf8(file) << std::endl;
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrixE2ETest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

// A server that breaks off every response after 40 000 bytes is asked exactly
// four times (the request and three resumptions) in every one of 20 whole
// runs, however the reads and the resets meet; each run then ends in the
// browser with nothing left.
TEST(ResetEveryTimeE2ETest, AskedFourTimesInEveryRun) {
    const ScopedServedDemoSetup served;
    const std::wstring path = L"/resume/always/40000/" + served.Name();
    const BuiltInUrlServer server(*ToFault(path));
    const ScopedSystemProxy proxy(0ul, std::nullopt);
    for (int run = 1; run <= 20; ++run) {
        SCOPED_TRACE(run);
        const std::size_t before = TestServers::Instance().FaultRequests(path);
        ScopedBrowserStub browser;
        const UpdaterRun updater;
        EXPECT_EQ(updater.Run().ExitCode, 0);
        EXPECT_EQ(TestServers::Instance().FaultRequests(path) - before, 4u);
        EXPECT_EQ(browser.SettledUrls(), std::vector<std::wstring>{UPDATER_DOWNLOAD_URL_FOR_TESTS});
        EXPECT_TRUE(LeftBehindIn(updater.TempFolder()).empty());
    }
}

}  // namespace
