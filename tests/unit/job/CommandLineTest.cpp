// The updater's arguments joined into the setup's command line: what the
// platform's splitting (CommandLineToArgvW) makes of the joined line, with
// the launch parameters' macro expanded, is the very list the updater got.
#include "files/FileNaming.h"
#include "job/CommandLine.h"
#include "support/DemoSetup.h"

#include <gtest/gtest.h>

#include <vector>

using TestSupport::ArgumentsOfTail;

namespace {

// Quotes only where the splitting needs them; the list comes back whole,
// quotes, backslashes, empty arguments and the macro's folder included.
TEST(CommandLineTest, JoinedArgumentsSplitBackIntoTheSameList) {
    const struct {
        std::vector<std::wstring> Arguments;
        const wchar_t* Joined;
    } cases[] = {
        {{}, L""},
        {{L"alpha", L"beta gamma"}, L"alpha \"beta gamma\""},
        {{L"alpha", L"beta gamma", L"C:\\Program Files\\Orvinta\\", L"say \"hi\""},
         L"alpha \"beta gamma\" \"C:\\Program Files\\Orvinta\\\\\" \"say \\\"hi\\\"\""},
        {{L"", L"a", L""}, L"\"\" a \"\""},
        {{L"tab\there", L"a\\\\b", L"end\\"}, L"\"tab\there\" a\\\\b end\\"},
        {{L"\\\"", L"\\\\\"x\\\\"}, L"\"\\\\\\\"\" \"\\\\\\\\\\\"x\\\\\\\\\""},
        {{L"/d:%UP_LEVEL_CUR_DIR%"}, L"\"/d:%UP_LEVEL_CUR_DIR%\""},
    };
    for (const auto& c : cases) {
        const std::wstring joined = JoinArguments(c.Arguments);
        EXPECT_EQ(joined, c.Joined);
        EXPECT_EQ(ArgumentsOfTail(joined), c.Arguments) << joined;
    }
}

// The macro's folder, which ends in "\" and may hold spaces, stays inside its
// argument wherever the macro stands in it.
TEST(CommandLineTest, ExpandedMacroStaysOneArgument) {
    const std::wstring exe = L"C:\\Program Files\\Orvinta\\bin\\updater.exe";
    const std::wstring folder = L"C:\\Program Files\\Orvinta\\";
    const struct {
        std::vector<std::wstring> Arguments;
        std::vector<std::wstring> Expanded;
    } cases[] = {
        {{L"/d:%UP_LEVEL_CUR_DIR%", L"next"}, {L"/d:" + folder, L"next"}},
        {{L"%UP_LEVEL_CUR_DIR%"}, {folder}},
        {{L"%UP_LEVEL_CUR_DIR%\\"}, {folder + L"\\"}},
        {{L"%UP_LEVEL_CUR_DIR%\"q\""}, {folder + L"\"q\""}},
        {{L"%UP_LEVEL_CUR_DIR%x %UP_LEVEL_CUR_DIR%"}, {folder + L"x " + folder}},
    };
    for (const auto& c : cases) {
        const std::wstring expanded = ExpandUpLevelCurDirFor(JoinArguments(c.Arguments), exe);
        EXPECT_EQ(ArgumentsOfTail(expanded), c.Expanded) << expanded;
    }
}

}  // namespace
