// The start-up's failures to limit the DLL search or to find a delay-loaded
// function, met by dll-search-failures.exe.
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/Utf8.h"
#include "support/WindowFinder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace TestSupport;

namespace {

// The start-up's other failures (tests/fixtures/DllSearchFailures.cpp: the
// updater's start-up units around each failure): a DLL search that cannot be
// limited to System32, and a delay-loaded DLL without a function the program
// imports by name or by ordinal, each end the run with the standard error
// display naming the failed call, and the process with exit code 0: no crash,
// and nothing runs on with an unsafe search.
TEST(DllSearchFailureE2ETest, EachFailureEndsTheRunWithTheErrorDisplay) {
    const struct {
        const wchar_t* Failure;  // the fixture's argument
        const wchar_t* Text;     // what the display says
    } cases[] = {
        {L"refuse-search", L"SetDefaultDllDirectories failed (error 0x00000005)"},
        {L"by-name", L"GetProcAddress wininet.dll!UpdaterTestMissingByName failed (error 0x"},
        {L"by-ordinal", L"GetProcAddress wininet.dll!#65000 failed (error 0x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.Failure));
        UpdaterRunOptions options;
        options.Executable = UnixToWindowsPath(DLL_SEARCH_FAILURES_UNIX_PATH);
        const UpdaterRun run(options);
        std::optional<std::vector<std::wstring>> box;

        const long code =
            run.Run(L" " + std::wstring(c.Failure), [&](DWORD process) { box = DismissMessageBox(process, 20000); })
                .ExitCode;

        ASSERT_TRUE(box) << "no error display";
        std::wstring texts;
        for (const std::wstring& text : *box) texts += text + L"\n";
        EXPECT_NE(texts.find(c.Text), std::wstring::npos) << Utf8(texts);
        EXPECT_EQ(code, 0);
    }
}

}  // namespace
