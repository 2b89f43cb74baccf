// Whole runs of the real updater.exe, signed by the test publisher with the
// test CA trusted in the prefix, the same with a byte changed since or with
// bytes appended inside its certificate table, and of
// an updater built with a pin, against setups signed by osslsigncode
// (tests/support/signing-fixtures.sh): what only the executable itself can
// show. Its own signature names the publisher it accepts, a signature of its
// own that does not verify makes it refuse everything, the build's pin
// decides before its own signer, and a refused file is deleted, nothing is
// started, no browser opens, and a message box owned by the window says why
// in the user's language. Why a file is refused is the unit tests' table
// (tests/unit/completion/PublisherCheckTest.cpp).
#include "support/BrowserStub.h"
#include "support/BuiltInUrlServer.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SigningFixtures.h"
#include "support/SystemSettings.h"
#include "support/Utf8.h"
#include "support/Waits.h"
#include "support/WindowFinder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <thread>

using namespace TestSupport;

namespace {

enum class Updater {
    Signed,
    Tampered,  // signed, with one byte changed since: its signature does not verify
    Padded,    // signed, with 4 KiB appended inside its certificate table since
    Pinned,    // unsigned, pinned to the test publisher
    PinnedSignedByOther,  // pinned to the test publisher, signed by the other publisher
};

std::wstring ExecutableOf(Updater updater) {
    switch (updater) {
    case Updater::Signed: return SigningFixture("signed/updater.exe");
    case Updater::Tampered: return SigningFixture("signed/tampered/updater.exe");
    case Updater::Padded: return SigningFixture("signed/padded/updater.exe");
    case Updater::PinnedSignedByOther: return SigningFixture("signed/other/updater-pinned.exe");
    default: return UnixToWindowsPath(UPDATER_PINNED_EXE_UNIX_PATH);
    }
}

// The message box's text in the language the updater's texts follow (the test's locale).
std::wstring RefusalText(Refusal refusal, bool publisherKnown) {
    const char* language = std::getenv("UPDATER_TEST_LANGUAGE");
    const bool russian = language && std::string(language) == "Russian";
    return TestPublisherRefusalText(russian ? UiLanguage::Russian : UiLanguage::English, refusal, publisherKnown);
}

struct PublisherCase {
    const char* name;
    Updater updater;
    std::function<ServerAnswer()> answer;  // what is served
    bool started;
    Refusal refusal = Refusal::NotSigned;
    // The built-in URL redirects to a second server that serves the answer
    // at this path; nullptr: the built-in URL serves it.
    const char* servedAt = nullptr;
};

void PrintTo(const PublisherCase& c, std::ostream* out) { *out << c.name; }

// Looks below a folder every 10 ms, from construction to destruction, for a
// file of one name (in any letter case).
class NameWatch {
public:
    NameWatch(const NameWatch&) = delete;
    NameWatch& operator=(const NameWatch&) = delete;
    NameWatch(std::wstring folder, std::wstring name)
        : folder_(std::move(folder)), name_(std::move(name)), thread_([this] { Watch(); }) {}
    ~NameWatch() {
        stop_ = true;
        thread_.join();
    }
    // Returns whether such a file was there at one of the looks.
    bool Seen() const { return seen_; }

private:
    void Watch() {
        while (!stop_) {
            for (const std::wstring& file : FilesBelow(folder_)) {
                const size_t slash = file.rfind(L'\\');
                const std::wstring name = slash == std::wstring::npos ? file : file.substr(slash + 1);
                if (_wcsicmp(name.c_str(), name_.c_str()) == 0) seen_ = true;
            }
            Sleep(10);
        }
    }

    const std::wstring folder_;
    const std::wstring name_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

class PublisherCheckE2ETest : public ::testing::TestWithParam<PublisherCase> {
protected:
    static void SetUpTestSuite() { TrustSigningCertificateAuthority(); }
};

// An accepted setup lands under its final name in the run's own folder and is
// started with the updater's arguments; a refused one is deleted with that
// folder, nothing is started, the browser stays closed, the window's message
// box says exactly why, and the exit code is 0 either way. A name that is no
// setup's is refused before anything lands under it: watched every 10 ms, no
// file of that name ever exists below the temporary folder.
TEST_P(PublisherCheckE2ETest, StartsOnlyASetupOfTheExpectedPublisher) {
    const PublisherCase& c = GetParam();
    const ScopedSystemProxy proxy(0ul, std::nullopt);
    std::optional<BuiltInUrlServer> fileServer;
    if (c.servedAt) fileServer.emplace(c.answer(), 0);
    const BuiltInUrlServer server(
        fileServer ? ServerAnswer::Redirect(302, "http://127.0.0.1:" + std::to_string(fileServer->Port()) + c.servedAt)
                   : c.answer());
    const ScopedBrowserStub browser;
    UpdaterRunOptions options;
    options.Executable = ExecutableOf(c.updater);
    const UpdaterRun run(options);
    std::optional<std::vector<std::wstring>> box;
    bool ownedByTheWindow = false;
    const std::string served = c.servedAt ? std::string(c.servedAt) : "/orvinta-setup.exe";
    const std::wstring servedName(served.begin() + served.rfind('/') + 1, served.end());
    const NameWatch watch(run.TempFolder(), servedName);

    const long code = run.Run(L" alpha \"beta gamma\"", [&](DWORD process) {
        if (c.started) return;
        const HWND window = WaitForUpdaterWindow(process, 20000);
        WaitUntil([&] { return !TopLevelWindows(process, L"#32770").empty(); }, 60000);
        for (HWND candidate : TopLevelWindows(process, L"#32770"))
            ownedByTheWindow |= window && GetWindow(candidate, GW_OWNER) == window;
        box = DismissMessageBox(process, 1000);
    }).ExitCode;

    EXPECT_EQ(code, 0);
    EXPECT_EQ(server.RequestLines().size(), 1u) << "the download reached the server";
    if (fileServer) {
        EXPECT_EQ(fileServer->RequestLines().size(), 1u) << "the redirect was followed";
    }
    if (c.started) {
        const std::wstring runFolder = RunFolderIn(run.TempFolder());
        EXPECT_EQ(FilesIn(runFolder), std::vector<std::wstring>{L"orvinta-setup.exe"});
        const auto record = run.WaitForSetupRecord();
        ASSERT_TRUE(record) << "the setup program was started";
        EXPECT_EQ((*record)[0], runFolder + L"orvinta-setup.exe");
        EXPECT_EQ((*record)[2], L"alpha \"beta gamma\"");
    } else {
        // The publisher is named when the updater knows it: signed and intact, or pinned.
        const bool publisherKnown = c.updater == Updater::Signed || c.updater == Updater::Pinned;
        ASSERT_TRUE(box) << "no message box";
        EXPECT_EQ(*box, std::vector<std::wstring>{RefusalText(c.refusal, publisherKnown)});
        EXPECT_TRUE(ownedByTheWindow);
        EXPECT_TRUE(LeftBehindIn(run.TempFolder()).empty()) << "the refused file is deleted with its folder";
        if (c.refusal == Refusal::NotASetup) {
            EXPECT_FALSE(watch.Seen()) << "a file named " << Utf8(servedName) << " existed during the run";
        }
        // Run waited for every program started from the temporary folder: a start would have left its record.
        EXPECT_FALSE(run.SetupStarted()) << "nothing was started";
    }
    EXPECT_TRUE(browser.SettledUrls().empty());
}

std::function<ServerAnswer()> Serving(const char* setup) {
    return [setup] { return ServerAnswer::Body(FixtureSetupBytes(setup)); };
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PublisherCheckE2ETest,
    ::testing::Values(
        PublisherCase{"SamePublisher", Updater::Signed, Serving("publisher"), true},
        // Registered in English and in Russian: the box's text follows the user's language.
        PublisherCase{"OtherTrustedPublisher", Updater::Signed, Serving("other-publisher"), false},
        // The other refusal's text; registered in Russian (FaultMatrixE2ETest shows it in English).
        PublisherCase{"SamePublisherServedAsHta", Updater::Signed, Serving("publisher"), false, Refusal::NotASetup,
                      "/r/orvinta-setup.hta"},
        // A DLL's name in the temporary folder, however briefly, is one that
        // programs started from there may load.
        PublisherCase{"SamePublisherServedAsDll", Updater::Signed, Serving("publisher"), false, Refusal::NotASetup,
                      "/r/version.dll"},
        // A signed updater that cannot verify itself starts nothing.
        PublisherCase{"TamperedUpdaterRefusesSamePublisher", Updater::Tampered, Serving("publisher"), false},
        // 4 KiB appended inside the certificate table, which WinVerifyTrust accepts: of the setup, and
        // of the updater itself, which then refuses everything.
        PublisherCase{"SamePublisherPaddedInsideItsSignature", Updater::Signed, Serving("padded"), false},
        PublisherCase{"PaddedUpdaterRefusesSamePublisher", Updater::Padded, Serving("publisher"), false},
        PublisherCase{"PinRefusesOtherPublisher", Updater::Pinned, Serving("other-publisher"), false},
        // The maker's pin decides, whoever signed the updater.
        PublisherCase{"PinBeforeTheUpdatersOwnSigner", Updater::PinnedSignedByOther, Serving("publisher"), true}),
    [](const ::testing::TestParamInfo<PublisherCase>& info) { return info.param.name; });

}  // namespace
