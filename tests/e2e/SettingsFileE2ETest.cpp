// The real updater.exe writes the built-in job into the settings file: byte
// for byte, by language, by the system proxy and by its own arguments.
//
// Wine takes the UI language from the Unix LC_ALL, which a child inherits from
// this process and not from its Windows environment block; ctest therefore runs
// this program once per locale and names the expected language in
// UPDATER_TEST_LANGUAGE.
#include "support/BrowserStub.h"
#include "support/BuiltInUrlServer.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SystemSettings.h"
#include "support/Utf8.h"
#include "support/WindowFinder.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
         "alpha \"beta gamma\""},
        {"proxy configured but off", 0, L"gate:8080", L" alpha \"beta gamma\"",
         "<is_use_proxy>0</is_use_proxy><ProxyAddress/><ProxyPort/>", "alpha \"beta gamma\""},
        {"proxy on without a port, no arguments", 1, L"gate", L"",
         "<is_use_proxy>1</is_use_proxy><ProxyAddress>gate</ProxyAddress><ProxyPort/>", ""},
        {"no proxy settings, markup in an argument", std::nullopt, std::nullopt, L" a&b",
         "<is_use_proxy>0</is_use_proxy><ProxyAddress/><ProxyPort/>", "a&amp;b"},
    };
    for (const E2ECase& c : cases) {
        SCOPED_TRACE(c.what);
        UpdaterRunOptions options;
        options.TimeoutMs = 30000;
        const UpdaterRun run(options);
        const ScopedSystemProxy proxy(c.proxyEnable, c.proxyServer);
        // With a URL and a folder the window comes up; closing it ends the run.
        bool closed = false;
        const long code =
            run.Run(c.arguments, [&](DWORD process) { closed = CloseUpdaterWindowWhenShown(process, 20000); })
                .ExitCode;
        EXPECT_TRUE(closed);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(ReadFileBytes(run.TempFolder() + kSettingsFileInTempFolder), ExpectedFile(c, run.TempFolder()));
    }
    EXPECT_TRUE(browser.SettledUrls().empty());
}

}  // namespace
