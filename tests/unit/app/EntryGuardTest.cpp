// The entry routine's error guard: what it shows and what it lets through.
#include "app/EntryRoutine.h"
#include "support/WindowFinder.h"
#include "win/Exception.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <vector>

using namespace TestSupport;

namespace {

// The entry routine's guard shows an error of the application's class with
// its message, and any other error as one with an empty message; nothing leaves it.
TEST(EntryGuardTest, ShowsApplicationErrorsAndEmptiesOthers) {
    const struct {
        std::function<void()> steps;
        std::vector<std::wstring> texts;
    } cases[] = {
        {[] { throw Win::Exception(L"guarded failure"); }, {L"guarded failure"}},
        {[] { throw Win::SystemCallException("CreateWindowExW", 5); }, {L"CreateWindowExW failed (error 0x00000005)"}},
        {[] { throw std::runtime_error("not shown"); }, {}},
        {[] { throw 7; }, {}},
    };
    for (const auto& c : cases) {
        auto dismissed =
            std::async(std::launch::async, [] { return DismissMessageBox(GetCurrentProcessId(), 20000); });
        EXPECT_NO_THROW(RunInEntryGuard(c.steps));
        const auto texts = dismissed.get();
        ASSERT_TRUE(texts) << "no message box";
        EXPECT_EQ(*texts, c.texts);
    }
}

// Without an error the guard shows nothing and the steps run once.
TEST(EntryGuardTest, QuietWithoutAnError) {
    int runs = 0;
    RunInEntryGuard([&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(TopLevelWindows(GetCurrentProcessId(), L"#32770").empty());
}

}  // namespace
