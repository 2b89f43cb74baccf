// The entry of every test program. It runs the selected tests as GoogleTest's
// own main does, and makes two kinds of silent run fail:
// - a run in which no test ran to its end (a filter naming a renamed or
//   removed case exits 0 in GoogleTest itself, and so does a skip in a global
//   environment, which leaves the selected tests unrun);
// - a skipped test, unless UPDATER_TESTS_MAY_SKIP is set: every test's
//   condition can be arranged where the suite runs as root (as CI does), so
//   there a skip hides a test that did not run. The variable is for machines
//   that cannot arrange them; CI never sets it.
// An allowed skip is printed on a line of its own, with its reason, for the
// summary of tools/test.sh. A program that ends its process itself ends it
// with TestProgramExitCode (TestMain.h), so the same checks hold there.
#include "support/TestMain.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

namespace {

// Returns the message the test gave when it skipped itself.
std::string SkipReason(const testing::TestResult& result) {
    std::string reason;
    for (int p = 0; p < result.total_part_count(); ++p)
        if (result.GetTestPartResult(p).skipped()) reason = result.GetTestPartResult(p).message();
    return reason;
}

// Turns a skipped test into a failed one as it ends. It runs before
// GoogleTest's printer (end events reach the listeners in reverse order), so
// the test is reported as failed, never as "[  SKIPPED ]", which ctest takes
// for a skip whatever the exit code. A failure raised at OnTestEnd counts for
// the test, as in GoogleTest's own listener sample.
class SkipsFail : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo& test) override {
        if (test.result()->Skipped())
            ADD_FAILURE() << test.test_suite_name() << "." << test.name() << " skipped (" << SkipReason(*test.result())
                          << "); a skip fails the run unless UPDATER_TESTS_MAY_SKIP is set";
    }
};

// Prints each allowed skip as it ends.
class SkipsPrinted : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo& test) override {
        if (test.result()->Skipped())
            std::cout << "Skipped (allowed): " << test.test_suite_name() << "." << test.name() << ": "
                      << SkipReason(*test.result()) << std::endl;
    }
};

// Counts the tests that ran to their end, whatever their result.
class EndedTests : public testing::EmptyTestEventListener {
public:
    void OnTestEnd(const testing::TestInfo&) override { ++count_; }
    static int Count() { return count_; }

private:
    static inline int count_ = 0;
};

bool SkipsAllowed() {
    const char* allowed = std::getenv("UPDATER_TESTS_MAY_SKIP");
    return allowed && *allowed && std::string(allowed) != "0";
}

}  // namespace

int TestSupport::TestProgramExitCode(bool passed) {
    if (EndedTests::Count() > 0) return passed ? 0 : 1;
    const testing::UnitTest& unitTest = *testing::UnitTest::GetInstance();
    std::cout << "No test ran: ";
    if (unitTest.ad_hoc_test_result().Skipped())
        std::cout << "a global environment skipped them (" << SkipReason(unitTest.ad_hoc_test_result()) << ")";
    else if (unitTest.test_to_run_count() == 0)
        std::cout << "the filter names no test of this program";
    else
        std::cout << "the global set-up failed";
    std::cout << std::endl;
    return 1;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    // GoogleTest owns the listeners it is given.
    listeners.Append(std::make_unique<EndedTests>().release());
    if (SkipsAllowed()) listeners.Append(std::make_unique<SkipsPrinted>().release());
    else listeners.Append(std::make_unique<SkipsFail>().release());

    const int result = RUN_ALL_TESTS();
    if (GTEST_FLAG_GET(list_tests)) return result;
    return TestSupport::TestProgramExitCode(result == 0);
}
