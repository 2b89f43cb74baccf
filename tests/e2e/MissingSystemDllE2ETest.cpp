// The real updater.exe when a system DLL that is not a known DLL is missing
// from System32.
#include "support/Processes.h"
#include "support/Utf8.h"
#include "support/WindowFinder.h"
#include "support/WineOverrides.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace TestSupport;

namespace {

// A system DLL that cannot be had from System32 (WININET, first called by
// the static start-up; Wine's "d" override stands for the missing file) ends
// the run with the standard error display naming the failed load, and the
// process with exit code 0: no crash, and nothing is looked for elsewhere.
TEST(MissingSystemDllE2ETest, MissingDllEndsTheRunWithTheErrorDisplay) {
    // Windows offers no way to take a system DLL away for one process.
    ASSERT_TRUE(UnderWine() && WineOverridesHold(L"wininet=d")) << "WINEDLLOVERRIDES lacks \"wininet=d\"";
    UpdaterRun run;
    std::optional<std::vector<std::wstring>> box;

    const long code = run.Run(L" alpha", [&](DWORD process) { box = DismissMessageBox(process, 20000); }).ExitCode;

    ASSERT_TRUE(box) << "no error display";
    std::wstring texts;
    for (const std::wstring& text : *box) texts += text + L"\n";
    EXPECT_NE(texts.find(L"LoadLibrary WININET.dll failed (error 0x"), std::wstring::npos) << Utf8(texts);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(run.SetupStarted());
}

}  // namespace
