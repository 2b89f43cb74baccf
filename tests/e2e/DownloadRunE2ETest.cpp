// Whole runs of the real updater.exe against the in-test server on the
// built-in URL's port: a complete download that ends in the started setup
// program (directly and through the system proxy), the failures that open the
// job's URL in the browser instead, and a build that starts in the tray.
#include "files/FilePaths.h"
#include "support/BrowserStub.h"
#include "support/BuiltInUrlServer.h"
#include "support/DemoSetup.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SystemSettings.h"
#include "support/TrickledRun.h"
#include "support/Utf8.h"
#include "support/Waits.h"
#include "support/WindowFinder.h"
#include "win/Unique.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

using namespace TestSupport;

namespace {

// The arguments of every run: a quoted one with a space, and the macro for
// the parent of the updater's folder.
const wchar_t kArguments[] = L" alpha \"beta gamma\" /d:%UP_LEVEL_CUR_DIR%Q";

struct CompleteRunCase {
    const char* name;
    bool throughProxy;
    const char* redirectedTo;  // the path the built-in URL redirects to, or nullptr
};

class CompleteRunE2ETest : public ::testing::TestWithParam<CompleteRunCase> {};

// The download lands under its final name in a new folder of the run's own
// inside the temporary folder, which holds nothing else; the setup program is
// started from it, in it as its working folder, with the joined arguments
// (the macro expanded); a DLL and an older setup that other programs left in
// the temporary folder stay as they were; the browser stays closed and the
// process ends with 0. Through the system proxy the
// unchanged executable sends its request in the proxy's absolute form, with
// nothing listening on the built-in URL's own port; after a redirect the file
// is named after the location it came from.
TEST_P(CompleteRunE2ETest, DownloadEndsInTheStartedSetupProgram) {
    const CompleteRunCase& c = GetParam();
    const std::string download = DemoSetupDownload(2 * 1024 * 1024);
    // Only a direct run without a redirect fetches the file from the built-in URL's port.
    const bool atBuiltInPort = !c.throughProxy && !c.redirectedTo;
    BuiltInUrlServer server(ServerAnswer::Body(download, 4 * 1024 * 1024),
                            atBuiltInPort ? BuiltInUrlServer::BuiltInUrlPort() : 0);
    ASSERT_EQ(server.Port() == BuiltInUrlServer::BuiltInUrlPort(), atBuiltInPort);
    const std::string serverAddress = "127.0.0.1:" + std::to_string(server.Port());
    std::unique_ptr<BuiltInUrlServer> redirector;
    if (c.redirectedTo)
        redirector = std::make_unique<BuiltInUrlServer>(
            ServerAnswer::Redirect(302, "http://" + serverAddress + c.redirectedTo));
    const ScopedSystemProxy proxy(c.throughProxy ? 1ul : 0ul, std::wstring(serverAddress.begin(), serverAddress.end()));
    ScopedBrowserStub browser;
    UpdaterRun run;
    const std::string plantedDll = "a DLL some program left here", olderSetup = DemoSetupDownload(1024);
    WriteFileBytes(run.TempFolder() + L"version.dll", plantedDll);
    WriteFileBytes(run.TempFolder() + L"orvinta-setup.exe", olderSetup);

    EXPECT_EQ(run.Run(kArguments).ExitCode, 0);

    const std::string path = c.redirectedTo ? c.redirectedTo : "/files/ov3/orvinta-setup.exe";
    const std::wstring finalName(path.begin() + path.rfind('/') + 1, path.end());
    const std::wstring runFolder = RunFolderIn(run.TempFolder());
    ASSERT_FALSE(runFolder.empty()) << "the run made one folder of its own";
    const std::wstring runFolderName = RunFolderNameIn(run.TempFolder());
    EXPECT_EQ(LeftBehindIn(run.TempFolder()), (std::vector<std::wstring>{L"orvinta-setup.exe", runFolderName,
                                                                          runFolderName + finalName, L"version.dll"}));
    EXPECT_TRUE(ReadFileBytes(runFolder + finalName) == download) << "the file arrived whole";
    EXPECT_TRUE(ReadFileBytes(run.TempFolder() + L"version.dll") == plantedDll);
    EXPECT_TRUE(ReadFileBytes(run.TempFolder() + L"orvinta-setup.exe") == olderSetup);
    const std::string target = c.throughProxy ? Utf8(UPDATER_DOWNLOAD_URL_FOR_TESTS) : path;
    EXPECT_EQ(server.RequestLines(), std::vector<std::string>{"GET " + target + " HTTP/1.1"});
    if (redirector) {
        EXPECT_EQ(redirector->RequestLines(), std::vector<std::string>{"GET /files/ov3/orvinta-setup.exe HTTP/1.1"});
    }
    const auto record = run.WaitForSetupRecord();
    ASSERT_TRUE(record) << "the setup program was started";
    EXPECT_EQ((*record)[0], runFolder + finalName);
    EXPECT_EQ((*record)[1], ParentFolder(runFolder + finalName)) << "started in its own folder";
    EXPECT_EQ((*record)[2], L"alpha \"beta gamma\" \"/d:" + UpdaterParentFolder() + L"Q\"");
    EXPECT_TRUE(browser.SettledUrls().empty());
}

INSTANTIATE_TEST_SUITE_P(Runs, CompleteRunE2ETest,
                         ::testing::Values(CompleteRunCase{"Direct", false, nullptr},
                                           CompleteRunCase{"ThroughSystemProxy", true, nullptr},
                                           CompleteRunCase{"Redirected", false, "/releases/orvinta-setup-3.1.exe"}),
                         [](const ::testing::TestParamInfo<CompleteRunCase>& info) { return info.param.name; });

struct FailedRunCase {
    const char* name;
    std::function<std::unique_ptr<BuiltInUrlServer>()> server;  // nothing when no server listens
};

class FailedRunE2ETest : public ::testing::TestWithParam<FailedRunCase> {};

// A transfer that fails leaves nothing in the temporary folder, opens exactly
// the job's URL in the browser, starts nothing and ends the process with 0.
TEST_P(FailedRunE2ETest, FailureOpensTheJobsUrlInTheBrowser) {
    const ScopedSystemProxy proxy(0ul, std::nullopt);
    const std::unique_ptr<BuiltInUrlServer> server = GetParam().server();
    ScopedBrowserStub browser;
    UpdaterRun run;

    EXPECT_EQ(run.Run(kArguments).ExitCode, 0);

    EXPECT_TRUE(LeftBehindIn(run.TempFolder()).empty());
    EXPECT_EQ(browser.SettledUrls(), std::vector<std::wstring>{UPDATER_DOWNLOAD_URL_FOR_TESTS});
    EXPECT_FALSE(run.SetupStarted());
    if (server) {
        EXPECT_EQ(server->RequestLines().size(), 1u) << "the request reached the server";
    }
}

std::function<std::unique_ptr<BuiltInUrlServer>()> Serving(ServerAnswer answer) {
    return [answer] { return std::make_unique<BuiltInUrlServer>(answer); };
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedRunE2ETest,
    ::testing::Values(FailedRunCase{"NotFound", Serving(ServerAnswer::Status(404))},
                      FailedRunCase{"ServerError", Serving(ServerAnswer::Status(500))},
                      FailedRunCase{"ConnectionRefused", [] { return std::unique_ptr<BuiltInUrlServer>(); }},
                      // A whole setup program, but as the answer to a range nobody asked for.
                      FailedRunCase{"PartialContentToAPlainGet",
                                    [] {
                                        ServerAnswer answer = ServerAnswer::Body(DemoSetupDownload(0));
                                        answer.status = 206;
                                        return Serving(answer)();
                                    }},
                      FailedRunCase{"TruncatedBody",
                                    [] {
                                        const std::string file = DemoSetupDownload(0);
                                        return Serving(ServerAnswer::ShortBody(file.substr(0, file.size() / 2),
                                                                               file.size()))();
                                    }}),
    [](const ::testing::TestParamInfo<FailedRunCase>& info) { return info.param.name; });

// Built with UPDATER_START_IN_TRAY, the updater's built-in job asks for the
// notification area (UpdaterMinimized "1"): the download runs with only the
// icon there, no window is ever shown, and it ends in the started setup program.
TEST(TrayBuildE2ETest, BuiltInJobRunsInTheNotificationArea) {
    const std::string download = DemoSetupDownload(2 * 1024 * 1024);
    // About two seconds at this rate: time to see the icon.
    BuiltInUrlServer server(ServerAnswer::Body(download, 1024 * 1024), BuiltInUrlServer::BuiltInUrlPort());
    const ScopedSystemProxy proxy(0ul, std::nullopt);
    ScopedBrowserStub browser;
    UpdaterRunOptions options;
    options.Executable = UnixToWindowsPath(UPDATER_TRAY_EXE_UNIX_PATH);
    UpdaterRun run(options);
    bool iconShown = false, windowShown = false;
    const long code = run.Run(kArguments, [&](DWORD process) {
        const Win::UniqueHandle running(OpenProcess(SYNCHRONIZE, FALSE, process));
        WaitUntil(
            [&] {
                iconShown = iconShown || NotificationAreaIcons().size() == 1;
                windowShown = windowShown || FindUpdaterWindow(process) != nullptr;
                return !running || WaitForSingleObject(running.get(), 0) == WAIT_OBJECT_0;
            },
            30000);
    }).ExitCode;
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(iconShown);
    EXPECT_FALSE(windowShown);
    const std::string settings = ReadFileBytes(run.TempFolder() + L"Velmora\\UpdaterSettings.xml");
    EXPECT_NE(settings.find("<UpdaterMinimized>1</UpdaterMinimized>"), std::string::npos) << settings;
    EXPECT_TRUE(ReadFileBytes(RunFolderIn(run.TempFolder()) + L"orvinta-setup.exe") == download)
        << "the file arrived whole";
    EXPECT_TRUE(run.WaitForSetupRecord()) << "the setup program was started";
    EXPECT_TRUE(browser.SettledUrls().empty());
}

// The setup gets the very arguments the updater got, whatever they hold
// (spaces, quotes, a trailing backslash), and the launch parameters' macro,
// for an updater in a folder whose path has spaces, stays one argument that
// ends in a backslash.
TEST(DownloadRunE2ETest, SetupGetsTheUpdatersArgumentsAsGiven) {
    const ScratchFolder place;
    const std::wstring folder = place.Path() + L"Program Files\\Orvinta\\";
    ASSERT_TRUE(CreateFolderPath(folder + L"bin"));
    UpdaterRunOptions options;
    options.Executable = folder + L"bin\\updater.exe";
    ASSERT_TRUE(CopyFileW(UpdaterExePath().c_str(), options.Executable.c_str(), TRUE));
    const BuiltInUrlServer server(ServerAnswer::Body(DemoSetupDownload(0)));
    const ScopedSystemProxy proxy(0ul, std::nullopt);
    ScopedBrowserStub browser;
    const UpdaterRun run(options);

    // An argument list quoted by the standard rules: four arguments and the macro.
    const long code =
        run.Run(L" alpha \"beta gamma\" \"C:\\Program Files\\Orvinta\\\\\" \"say \\\"hi\\\"\" \"/d:%UP_LEVEL_CUR_DIR%\"").ExitCode;

    EXPECT_EQ(code, 0);
    const auto record = run.WaitForSetupRecord();
    ASSERT_TRUE(record) << "the setup program was started";
    EXPECT_EQ(ArgumentsOfTail((*record)[2]),
              (std::vector<std::wstring>{L"alpha", L"beta gamma", L"C:\\Program Files\\Orvinta\\", L"say \"hi\"",
                                         L"/d:" + folder}))
        << Utf8((*record)[2]);
    EXPECT_TRUE(browser.SettledUrls().empty());
}

struct HeldDownloadCase {
    const char* name;
    unsigned long heldMs;  // after the last byte was sent
    bool started;
};

class HeldDownloadE2ETest : public ::testing::TestWithParam<HeldDownloadCase> {};

// Another process that reads the finished download (as a security scanner
// does) and holds it a moment longer delays the hand-off: held for 2 s the
// setup still starts from its final name; held past the updater's patience
// the user gets the job's URL in the browser, and no file is left once it
// is free. Either way the run ends with 0, never silently.
TEST_P(HeldDownloadE2ETest, HeldFileStartsLateOrEndsInTheBrowser) {
    const HeldDownloadCase& c = GetParam();
    const TrickledRun run(256 * 1024, 256 * 1024);
    bool held = false;
    const long code = run.Run(L"", [&](DWORD) {
        Win::UniqueFile reader;
        // Readers are let in while the updater writes; renames and deletes are not, while this is open.
        WaitUntil([&] {
            const std::wstring runFolder = RunFolderIn(run.TempFolder());
            if (runFolder.empty()) return false;
            reader.reset(CreateFileW((runFolder + L"downloaded-file.exe").c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
            return static_cast<bool>(reader);
        }, 20000);
        held = static_cast<bool>(reader);
        EXPECT_TRUE(run.WaitForBodyBytes(run.Download.size()));
        Sleep(c.heldMs);
    }).ExitCode;

    ASSERT_TRUE(held) << "the download file could not be opened for reading";
    EXPECT_EQ(code, 0);
    if (c.started) {
        EXPECT_EQ(FilesIn(RunFolderIn(run.TempFolder())), std::vector<std::wstring>{L"orvinta-setup.exe"});
        EXPECT_TRUE(run.WaitForSetupRecord()) << "the setup program was started";
        EXPECT_TRUE(run.Browser.SettledUrls().empty());
    } else {
        EXPECT_TRUE(LeftBehindIn(run.TempFolder()).empty());
        EXPECT_FALSE(run.SetupStarted());
        EXPECT_EQ(run.Browser.SettledUrls(), std::vector<std::wstring>{UPDATER_DOWNLOAD_URL_FOR_TESTS});
    }
}

INSTANTIATE_TEST_SUITE_P(Holds, HeldDownloadE2ETest,
                         ::testing::Values(HeldDownloadCase{"HeldFor2Seconds", 2000, true},
                                           HeldDownloadCase{"HeldPastTheRetries", 8000, false}),
                         [](const ::testing::TestParamInfo<HeldDownloadCase>& info) { return info.param.name; });

}  // namespace
