// The real updater.exe writes the built-in job into the settings file: byte
// for byte, by language, by the system proxy and by its own arguments.
//
// Wine takes the UI language from the Unix LC_ALL, which a child inherits from
// this process and not from its Windows environment block; ctest therefore runs
// this program once per locale and names the expected language in
// UPDATER_TEST_LANGUAGE.
#include "support/BuiltInUrlServer.h"
#include "support/BrowserStub.h"
#include "support/FolderRun.h"
#include "support/TestSupport.h"
#include "support/WatchedRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

using namespace TestSupport;

namespace {

struct E2ECase {
    const char* what;
    std::optional<unsigned long> proxyEnable;
    std::optional<std::wstring> proxyServer;
    const wchar_t* arguments;
    std::string proxyXml;   // is_use_proxy and the three proxy elements after it
    const char* parameters;
};

bool ExpectRussian() {
    const char* language = std::getenv("UPDATER_TEST_LANGUAGE");
    return language && std::string(language) == "Russian";
}

std::string ExpectedFile(const E2ECase& c, const std::wstring& tempFolder) {
    const bool russian = ExpectRussian();
    const std::wstring top = russian ? L"Получение самой новой версии Orvinta..." : L"Getting the most recent Orvinta version...";
    const std::wstring part1 = russian ? L"Загружено: " : L"Downloaded: ";
    const std::wstring part2 = russian ? L" Кб" : L" KB";
    const std::string parameters = *c.parameters ? "<CommandLineParameters>" + std::string(c.parameters) +
                                                       "</CommandLineParameters>"
                                                 : "<CommandLineParameters/>";
    return "<?xml version=\"1.0\"?>\n<Settings><FileOnWeb>" + Utf8(UPDATER_DOWNLOAD_URL_FOR_TESTS) +
           "</FileOnWeb><TargetFilePath>" + Utf8(tempFolder) + "</TargetFilePath>" + parameters +
           "<AutoStartTargetFile>1</AutoStartTargetFile><RegistryKey>0</RegistryKey>"
           "<UpdaterMinimized>0</UpdaterMinimized><TopText>" + Utf8(top) + "</TopText><BottomTextPart1>" +
           Utf8(part1) + "</BottomTextPart1><BottomTextPart2>" + Utf8(part2) + "</BottomTextPart2>" + c.proxyXml +
           "<is_authorization_required>0</is_authorization_required><ProxyUsername/><ProxyPassword/>"
           "</Settings>\n";
}

TEST(SettingsFileE2ETest, UpdaterWritesTheBuiltInJob) {
    // The download (directly or through the system proxy, both this server)
    // never completes, so the window stays until the test closes it.
    BuiltInUrlServer server(ServerAnswer::Stall());
    ScopedBrowserStub browser;
    const std::string port = std::to_string(server.Port());
    const E2ECase cases[] = {
        {"proxy on", 1, L"127.0.0.1:" + std::wstring(port.begin(), port.end()), L" alpha \"beta gamma\"",
         "<is_use_proxy>1</is_use_proxy><ProxyAddress>127.0.0.1</ProxyAddress><ProxyPort>" + port + "</ProxyPort>",
         "alpha beta gamma"},
        {"proxy configured but off", 0, L"gate:8080", L" alpha \"beta gamma\"",
         "<is_use_proxy>0</is_use_proxy><ProxyAddress/><ProxyPort/>", "alpha beta gamma"},
        {"proxy on without a port, no arguments", 1, L"gate", L"",
         "<is_use_proxy>1</is_use_proxy><ProxyAddress>gate</ProxyAddress><ProxyPort/>", ""},
        {"no proxy settings, markup in an argument", std::nullopt, std::nullopt, L" a&b",
         "<is_use_proxy>0</is_use_proxy><ProxyAddress/><ProxyPort/>", "a&amp;b"},
    };
    for (const E2ECase& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder temp;
        const ScopedSystemProxy proxy(c.proxyEnable, c.proxyServer);
        // With a URL and a folder the window comes up; closing it ends the run.
        int closed = 0;
        const long code = RunProcess(L"\"" + UpdaterExePath() + L"\"" + c.arguments,
                                     {{L"TMP", temp.Path()}, {L"TEMP", temp.Path()}}, 30000,
                                     [&](DWORD process) { closed = CloseToolkitWindowOf(process, 20000); });
        EXPECT_EQ(closed, 1);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(ReadFileBytes(temp.Path() + L"Velmora\\UpdaterSettings.xml"), ExpectedFile(c, temp.Path()));
    }
    EXPECT_TRUE(browser.SettledUrls().empty());
}

// Without a usable temporary folder the updater ends at once with 0, shows no
// window, opens no browser and writes nothing but its settings file.
TEST(SettingsFileE2ETest, NoUsableTempFolderEndsQuietly) {
    ScratchFolder scratch;
    ScopedBrowserStub browser;
    const std::wstring tooLong = scratch.Path() + std::wstring(280, L'x');
    const std::wstring missing = scratch.Path() + L"missing\\";
    for (const std::wstring& folder : {tooLong, missing}) {
        SCOPED_TRACE(Utf8(folder));
        const TWatchedRun run =
            RunWatchingForWindows(L"\"" + UpdaterExePath() + L"\" x", {{L"TMP", folder}, {L"TEMP", folder}});
        std::cout << "ended after " << run.elapsedMs << " ms" << std::endl;
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_FALSE(run.showedWindow);
        EXPECT_LT(run.elapsedMs, kEndsAtOnceMs);
    }
    // The settings file was written with an empty target folder, which ends the run.
    EXPECT_EQ(FilesBelow(scratch.Path()), std::vector<std::wstring>{L"missing\\Velmora\\UpdaterSettings.xml"});
    EXPECT_NE(ReadFileBytes(missing + L"Velmora\\UpdaterSettings.xml").find("<TargetFilePath/>"), std::string::npos);
    EXPECT_TRUE(browser.SettledUrls().empty());
}

}  // namespace
