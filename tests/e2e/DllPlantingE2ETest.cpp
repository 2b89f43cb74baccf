// The real updater.exe and the system DLLs that are not known DLLs: stand-ins
// for them (tests/fixtures/PlantedSystemDll.cpp) planted beside a copy of it
// in a real folder, as a web page could drop them into the Downloads folder.
#include "support/BuiltInUrlServer.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SigningFixtures.h"
#include "support/SystemSettings.h"
#include "support/Utf8.h"
#include "support/WindowFinder.h"
#include "support/WineOverrides.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace TestSupport;

namespace {

// The DLLs a planted stand-in may take the place of, each one loaded by a
// path of every run below: WININET by the job's proxy query in the static
// start-up and by the download, CRYPT32 by the proxy's Proxy-Authorization header (CryptBinaryToStringW),
// WINTRUST by the publisher check, WINHTTP by the download's reading of the
// proxy settings (WinHttpGetIEProxyConfigForCurrentUser).
const wchar_t* const kPlantableDlls[] = {L"wininet.dll", L"crypt32.dll", L"wintrust.dll", L"winhttp.dll"};

// Returns whether a planted stand-in can run at all: Windows takes a file of
// such a name beside the program, Wine prefers its own copy unless
// WINEDLLOVERRIDES says "n,b" for it.
bool PlantedStandInsCanRun() {
    std::wstring names;
    for (const std::wstring dll : kPlantableDlls) names += (names.empty() ? L"" : L",") + dll.substr(0, dll.find(L'.'));
    return !UnderWine() || WineOverridesHold(names + L"=n,b");
}

struct PlantingCase {
    const char* name;
    const wchar_t* planted;  // the stand-in's file name
};

class DllPlantingE2ETest : public ::testing::TestWithParam<PlantingCase> {};

// A stand-in planted beside updater.exe never runs (no marker, no exit code of
// its own) while a run of the signed updater through the system proxy shows
// its window, checks the publisher of the signed setup and starts it with the
// whole file: the DLL search is limited to System32 before anything loads a
// DLL that is not a known DLL.
TEST_P(DllPlantingE2ETest, PlantedDllDoesNotRunAndTheDownloadCompletes) {
    ASSERT_TRUE(PlantedStandInsCanRun()) << "WINEDLLOVERRIDES lacks the plantable DLLs' \"n,b\"";
    TrustSigningCertificateAuthority();
    const ScratchFolder folder;
    const std::wstring updater = folder.Path() + L"updater.exe";
    ASSERT_TRUE(CopyFileW(SigningFixture("signed/updater.exe").c_str(), updater.c_str(), TRUE));
    const std::wstring planted = folder.Path() + GetParam().planted;
    ASSERT_TRUE(CopyFileW((UnixToWindowsPath(PLANTED_DLLS_UNIX_DIR) + L"\\" + GetParam().planted).c_str(),
                          planted.c_str(), TRUE));
    const std::string download = ReadFileBytes(SigningFixture("setups/publisher.exe"));
    // Slow enough (about a second) for the window to paint its pictures before the end.
    const BuiltInUrlServer proxyServer(ServerAnswer::Body(download, static_cast<unsigned long>(download.size())), 0);
    const ScopedSystemProxy proxy(1ul, L"127.0.0.1:" + std::to_wstring(proxyServer.Port()));
    UpdaterRunOptions options;
    options.Executable = updater;
    const UpdaterRun run(options);
    bool windowShown = false;

    const long code =
        run.Run(L" alpha", [&](DWORD process) { windowShown = WaitForUpdaterWindow(process, 20000) != nullptr; })
            .ExitCode;

    EXPECT_FALSE(FileExists(planted + L".ran")) << "the stand-in ran";
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(windowShown);
    EXPECT_EQ(proxyServer.RequestLines(),
              std::vector<std::string>{"GET " + Utf8(UPDATER_DOWNLOAD_URL_FOR_TESTS) + " HTTP/1.1"});
    const auto record = run.WaitForSetupRecord();
    ASSERT_TRUE(record) << "the setup program was started";
    EXPECT_EQ((*record)[0], RunFolderIn(run.TempFolder()) + L"orvinta-setup.exe");
    EXPECT_TRUE(ReadFileBytes((*record)[0]) == download) << "the file arrived whole";
}

INSTANTIATE_TEST_SUITE_P(Planted, DllPlantingE2ETest,
                         ::testing::Values(PlantingCase{"Wininet", L"wininet.dll"},
                                           PlantingCase{"Crypt32", L"crypt32.dll"},
                                           PlantingCase{"Wintrust", L"wintrust.dll"},
                                           PlantingCase{"Winhttp", L"winhttp.dll"}),
                         [](const ::testing::TestParamInfo<PlantingCase>& info) { return info.param.name; });

}  // namespace
