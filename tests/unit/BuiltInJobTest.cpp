// The built-in job: language, arguments, proxy and folder composed into the settings.
#include "BuiltInJob.h"
#include "NamingState.h"
#include "UpdaterFormUnit.h"
#include "support/ScratchFiles.h"
#include "support/SystemSettings.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

// Only the primary language counts: every Russian variant, and nothing else.
TEST(BuiltInJobTest, LanguageTable) {
    const std::pair<LANGID, const wchar_t*> cases[] = {
        {0x0419, L"Russian"}, {0x0819, L"Russian"}, {0x0422, L"English"}, {0x0409, L"English"},
        {0x0423, L"English"}, {0x0000, L"English"}, {0x7C19, L"Russian"},
    };
    for (const auto& [language, name] : cases) EXPECT_EQ(UILanguageNameFor(language), name) << language;
}

// One space before every argument but the first, an empty one included; no quotes.
TEST(BuiltInJobTest, JoinsArgumentsWithSingleSpaces) {
    EXPECT_EQ(JoinArguments({}), L"");
    EXPECT_EQ(JoinArguments({L"alpha", L"beta gamma"}), L"alpha beta gamma");
    EXPECT_EQ(JoinArguments({L"/d:%UP_LEVEL_CUR_DIR%Q", L"", L"x"}), L"/d:%UP_LEVEL_CUR_DIR%Q  x");
    EXPECT_EQ(JoinArguments({L"", L"a"}), L"a");
}

// Start-up in this process: the objects exist afterwards, the job is the built-in one.
class StartupTest : public ::testing::Test {
protected:
    StartupTest() : temp_(scratch_.Path()) {}
    ~StartupTest() override { UpdaterFormUnitTeardown(); }

    Win::ComApartment com_;
    ScratchFolder scratch_;
    ScopedTempFolder temp_;
};

TEST_F(StartupTest, ComposesTheBuiltInJob) {
    const ScopedSystemProxy proxy(1, std::wstring(L"gate:8080"));
    UpdaterFormUnitStartup();
    ASSERT_TRUE(FileNameLock && RemoteFileName && DownloadFileName && TargetFolder && UpdaterSettings);
    EXPECT_TRUE(RemoteFileName->empty());
    EXPECT_EQ(UpdaterSettings->FileOnWeb(), UPDATER_DOWNLOAD_URL_FOR_TESTS);
    EXPECT_EQ(UpdaterSettings->TargetFilePath(), scratch_.Path());
    EXPECT_EQ(UpdaterSettings->GetValue(L"AutoStartTargetFile"), L"1");
    EXPECT_EQ(UpdaterSettings->GetValue(L"RegistryKey"), L"0");
    EXPECT_EQ(UpdaterSettings->GetValue(L"UpdaterMinimized"), L"0");
    EXPECT_EQ(UpdaterSettings->GetValue(L"is_use_proxy"), L"1");
    EXPECT_EQ(UpdaterSettings->GetValue(L"ProxyAddress"), L"gate");
    EXPECT_EQ(UpdaterSettings->GetValue(L"ProxyPort"), L"8080");
    EXPECT_EQ(UpdaterSettings->GetValue(L"is_authorization_required"), L"0");
    // English: ctest runs these tests with LC_ALL=en_US.UTF-8.
    EXPECT_EQ(UpdaterSettings->GetValue(L"TopText"), L"Getting the most recent Orvinta version...");
    EXPECT_EQ(UpdaterSettings->GetValue(L"BottomTextPart1"), L"Downloaded: ");
    EXPECT_EQ(UpdaterSettings->GetValue(L"BottomTextPart2"), L" KB");
}

// The built-in URL keeps the product's scheme and path.
TEST(BuiltInJobTest, UrlHasTheProductsSchemeAndPath) {
    const std::wstring url = UPDATER_DOWNLOAD_URL_FOR_TESTS;
    EXPECT_EQ(url.rfind(L"http://", 0), 0u);
    EXPECT_EQ(url.substr(url.size() - 28), L"/files/ov3/orvinta-setup.exe");
}

// Teardown releases everything in reverse order; the settings file stays.
TEST_F(StartupTest, TeardownReleasesTheObjectsAndKeepsTheFile) {
    UpdaterFormUnitStartup();
    UpdaterFormUnitTeardown();
    EXPECT_FALSE(UpdaterSettings || TargetFolder || DownloadFileName || RemoteFileName || FileNameLock);
    EXPECT_FALSE(ReadFileBytes(scratch_.Path() + L"Velmora\\UpdaterSettings.xml").empty());
}

}  // namespace
