// The built-in job: language, arguments, proxy and folder composed into the
// job, and the job through the settings file.
#include "job/BuiltInJob.h"
#include "job/SettingsFile.h"
#include "support/ScratchFiles.h"
#include "support/SystemSettings.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

// Only the primary language counts: every Russian variant, and nothing else.
TEST(BuiltInJobTest, LanguageTable) {
    constexpr UiLanguage kRussian = UiLanguage::Russian, kEnglish = UiLanguage::English;
    const std::pair<LANGID, UiLanguage> cases[] = {
        {0x0419, kRussian}, {0x0819, kRussian}, {0x0422, kEnglish}, {0x0409, kEnglish},
        {0x0423, kEnglish}, {0x0000, kEnglish}, {0x7C19, kRussian},
    };
    for (const auto& [id, language] : cases) EXPECT_EQ(UiLanguageFor(id), language) << id;
}

// The job is composed in this process, with a temporary folder of its own.
class ComposedJobTest : public ::testing::Test {
protected:
    ComposedJobTest() : temp_(scratch_.Path()) {}

    Win::ComApartment com_;
    ScratchFolder scratch_;
    ScopedTempFolder temp_;
};

TEST_F(ComposedJobTest, ComposesTheBuiltInJob) {
    const ScopedSystemProxy proxy(1, std::wstring(L"gate:8080"));
    const Job job = ComposeBuiltInJob();
    EXPECT_EQ(job.Url, UPDATER_DOWNLOAD_URL_FOR_TESTS);
    EXPECT_EQ(job.TargetFolder, scratch_.Path());
    EXPECT_TRUE(job.StartSetup);
    EXPECT_EQ(job.RegistryKey, L"0");
    EXPECT_FALSE(job.Window.StartInTray);
    EXPECT_TRUE(job.Proxy.Enabled);
    EXPECT_EQ(job.Proxy.Host, L"gate");
    EXPECT_EQ(job.Proxy.Port, L"8080");
    EXPECT_FALSE(job.Proxy.AuthorizationRequired);
    // English: ctest runs these tests with LC_ALL=en_US.UTF-8.
    EXPECT_EQ(job.Window.Title, L"Getting the most recent Orvinta version...");
    EXPECT_EQ(job.Window.SizePrefix, L"Downloaded: ");
    EXPECT_EQ(job.Window.SizeSuffix, L" KB");
}

// What start-up hands down is the composed job as the settings file gives it
// back: every value unchanged, with and without a proxy.
TEST_F(ComposedJobTest, ComposedJobComesBackFromTheSettingsFile) {
    for (const bool proxyOn : {true, false}) {
        SCOPED_TRACE(proxyOn ? "proxy on" : "proxy off");
        const ScopedSystemProxy proxy(proxyOn ? 1 : 0, std::wstring(L"gate:8080"));
        const Job job = ComposeBuiltInJob();
        ASSERT_TRUE(SaveSettingsFile(job));
        const std::optional<Job> back = LoadSettingsFile();
        ASSERT_TRUE(back);
        EXPECT_EQ(back->Url, job.Url);
        EXPECT_EQ(back->TargetFolder, job.TargetFolder);
        EXPECT_EQ(back->SetupArguments, job.SetupArguments);
        EXPECT_EQ(back->StartSetup, job.StartSetup);
        EXPECT_EQ(back->RegistryKey, job.RegistryKey);
        EXPECT_EQ(back->Window.StartInTray, job.Window.StartInTray);
        EXPECT_EQ(back->Window.Title, job.Window.Title);
        EXPECT_EQ(back->Window.SizePrefix, job.Window.SizePrefix);
        EXPECT_EQ(back->Window.SizeSuffix, job.Window.SizeSuffix);
        EXPECT_EQ(back->Proxy.Enabled, proxyOn);
        EXPECT_EQ(back->Proxy.Host, job.Proxy.Host);
        EXPECT_EQ(back->Proxy.Port, job.Proxy.Port);
        EXPECT_EQ(back->Proxy.AuthorizationRequired, job.Proxy.AuthorizationRequired);
    }
}

// The built-in URL keeps the product's scheme and path.
TEST(BuiltInJobTest, UrlHasTheProductsSchemeAndPath) {
    const std::wstring url = UPDATER_DOWNLOAD_URL_FOR_TESTS;
    EXPECT_EQ(url.rfind(L"http://", 0), 0u);
    EXPECT_EQ(url.substr(url.size() - 28), L"/files/ov3/orvinta-setup.exe");
}

}  // namespace
