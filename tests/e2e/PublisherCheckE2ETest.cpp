// Whole runs of the real updater.exe, signed by the test publisher with the
// test CA trusted in the prefix, the same with a byte changed since, and of an
// unsigned updater built with a pin, against setups signed by osslsigncode
// (tests/support/signing-fixtures.sh): only a setup program of the expected
// publisher is started; any other file is deleted, nothing is started, no
// browser opens, and a message box owned by the window says why, naming the
// publisher expected when there is one.
#include "support/BrowserStub.h"
#include "support/BuiltInUrlServer.h"
#include "support/DemoSetup.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SigningFixtures.h"
#include "support/SystemSettings.h"
#include "support/Waits.h"
#include "support/WindowFinder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace TestSupport;

namespace {

enum class TUpdater {
    Signed,
    Tampered,  // signed, with one byte changed since: its signature does not verify
    NoOrganization,  // signed by a subject without an O: no identity
    Pinned,
    PinnedSignedByOther,  // pinned to the test publisher, signed by the other publisher
    Unsigned,
};

std::wstring ExecutableOf(TUpdater updater) {
    switch (updater) {
    case TUpdater::Signed: return SigningFixture("signed/updater.exe");
    case TUpdater::Tampered: return SigningFixture("signed/tampered/updater.exe");
    case TUpdater::NoOrganization: return SigningFixture("signed/no-organization/updater.exe");
    case TUpdater::PinnedSignedByOther: return SigningFixture("signed/other/updater-pinned.exe");
    case TUpdater::Pinned: return UnixToWindowsPath(UPDATER_PINNED_EXE_UNIX_PATH);
    default: return UpdaterExePath();
    }
}

// The publisher's signed setup with one byte changed `offset` bytes into its
// code section, or, with `inAppendedData`, into the data appended after the image.
std::string TamperedSetup(std::size_t offset, bool inAppendedData) {
    std::string bytes = FixtureSetupBytes("publisher");
    const std::size_t start = inAppendedData ? DemoSetupProgram().size() : CodeSectionOffset(bytes);
    bytes[start + offset] ^= 0x5A;
    return bytes;
}

// The message box's text in the language the updater's texts follow (the test's locale).
std::wstring RefusalText(TRefusal refusal, bool publisherKnown) {
    const char* language = std::getenv("UPDATER_TEST_LANGUAGE");
    return TestPublisherRefusalText(language && std::string(language) == "Russian" ? L"Russian" : L"English",
                                    refusal, publisherKnown);
}

struct PublisherCase {
    const char* name;
    TUpdater updater;
    std::function<ServerAnswer()> answer;  // what is served
    bool started;
    TRefusal refusal = TRefusal::NotSigned;
    // The built-in URL redirects to a second server that serves the answer
    // at this path; nullptr: the built-in URL serves it.
    const char* servedAt = nullptr;
};

class PublisherCheckE2ETest : public ::testing::TestWithParam<PublisherCase> {
protected:
    static void SetUpTestSuite() { TrustSigningCertificateAuthority(); }
};

// An accepted setup lands under its final name and is started with the
// updater's arguments; a refused one is deleted, nothing is started, the
// browser stays closed, the window's message box says exactly why, and the
// exit code is 0 either way.
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
        EXPECT_EQ(FilesIn(run.TempFolder()), std::vector<std::wstring>{L"orvinta-setup.exe"});
        const auto record = run.WaitForSetupRecord();
        ASSERT_TRUE(record) << "the setup program was started";
        EXPECT_EQ((*record)[0], run.TempFolder() + L"orvinta-setup.exe");
        EXPECT_EQ((*record)[2], L"alpha \"beta gamma\"");
    } else {
        // The publisher is named when the updater knows it: signed and intact, or pinned.
        const bool publisherKnown = c.updater == TUpdater::Signed || c.updater == TUpdater::Pinned;
        ASSERT_TRUE(box) << "no message box";
        EXPECT_EQ(*box, std::vector<std::wstring>{RefusalText(c.refusal, publisherKnown)});
        EXPECT_TRUE(ownedByTheWindow);
        EXPECT_TRUE(FilesIn(run.TempFolder()).empty()) << "the refused file is deleted";
        EXPECT_FALSE(WaitUntil([&] { return run.SetupStarted(); }, 3000)) << "nothing was started";
    }
    EXPECT_TRUE(browser.SettledUrls().empty());
}

std::function<ServerAnswer()> Serving(const char* setup) {
    return [setup] { return ServerAnswer::Body(FixtureSetupBytes(setup)); };
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PublisherCheckE2ETest,
    ::testing::Values(
        PublisherCase{"SamePublisher", TUpdater::Signed, Serving("publisher"), true},
        PublisherCase{"Unsigned", TUpdater::Signed, Serving("unsigned"), false},
        PublisherCase{"ByteChangedInCode", TUpdater::Signed,
                      [] { return ServerAnswer::Body(TamperedSetup(0x100, false)); }, false},
        PublisherCase{"ByteChangedInAppendedData", TUpdater::Signed,
                      [] { return ServerAnswer::Body(TamperedSetup(1000, true)); }, false},
        PublisherCase{"ChunkedBodyCutShort", TUpdater::Signed,
                      [] {
                          const std::string setup = FixtureSetupBytes("publisher");
                          return ServerAnswer::ChunkedCutShort(setup, setup.size() * 3 / 4);
                      },
                      false},
        PublisherCase{"OtherTrustedPublisher", TUpdater::Signed, Serving("other-publisher"), false},
        // Only exactly one O and one CN make an identity, and both must match.
        PublisherCase{"SameCommonNameOtherOrganization", TUpdater::Signed, Serving("other-organization"), false},
        PublisherCase{"SignerWithoutOrganization", TUpdater::Signed, Serving("no-organization"), false},
        // An empty organization is no name to match: signer and updater both without one are refused.
        PublisherCase{"UpdaterAndSetupWithoutOrganization", TUpdater::NoOrganization, Serving("no-organization"),
                      false},
        // The publisher's own setup under a name the shell hands to another program.
        PublisherCase{"SamePublisherServedAsHta", TUpdater::Signed, Serving("publisher"), false, TRefusal::NotASetup,
                      "/r/orvinta-setup.hta"},
        // A signed updater that cannot verify itself starts nothing.
        PublisherCase{"TamperedUpdaterRefusesSamePublisher", TUpdater::Tampered, Serving("publisher"), false},
        PublisherCase{"SameSubjectFromUntrustedCa", TUpdater::Signed, Serving("impostor"), false},
        PublisherCase{"PinAcceptsPinnedPublisher", TUpdater::Pinned, Serving("publisher"), true},
        PublisherCase{"PinRefusesOtherPublisher", TUpdater::Pinned, Serving("other-publisher"), false},
        // The maker's pin decides, whoever signed the updater.
        PublisherCase{"PinBeforeTheUpdatersOwnSigner", TUpdater::PinnedSignedByOther, Serving("publisher"), true},
        PublisherCase{"UnsignedUpdaterStartsUnsignedSetup", TUpdater::Unsigned, Serving("unsigned"), true},
        PublisherCase{"UnsignedUpdaterRefusesANonProgramServedAsExe", TUpdater::Unsigned,
                      [] { return ServerAnswer::Body("<script>alert(1)</script>"); }, false, TRefusal::NotASetup}),
    [](const ::testing::TestParamInfo<PublisherCase>& info) { return info.param.name; });

}  // namespace
