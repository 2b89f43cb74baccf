// How a pending read's completion is told apart: nothing copied (Wine) or data copied (as Windows may).
#include "net/ReadCanary.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr unsigned long kRequested = 1 << 20;

struct CompletionCase {
    const char* Name;
    unsigned long Length;  // dwBufferLength after the completion
    bool CanaryKept;       // the buffer still starts with the canary
    unsigned long Copied;
};

void PrintTo(const CompletionCase& c, std::ostream* os) { *os << c.Name; }

class CompletionTest : public ::testing::TestWithParam<CompletionCase> {};

// Only the requested length with the canary intact means nothing was copied;
// a shorter length or an overwritten canary returns the bytes; 0 is left to the next call.
TEST_P(CompletionTest, CopiedAtCompletion) {
    const CompletionCase& c = GetParam();
    Net::ReadCanaries canaries;
    const Net::Canary canary = canaries.Next();
    std::vector<unsigned char> buffer(kRequested, 0x5a);
    std::copy(canary.begin(), canary.end(), buffer.begin());
    if (!c.CanaryKept) buffer[15] ^= 1;
    EXPECT_EQ(Net::CopiedAtCompletion(c.Length, kRequested, buffer.data(), canary), c.Copied);
}

INSTANTIATE_TEST_SUITE_P(Net, CompletionTest,
    ::testing::Values(CompletionCase{"WineNothingCopied", kRequested, true, 0},
                      CompletionCase{"FullBufferCopied", kRequested, false, kRequested},
                      CompletionCase{"PartCopied", 1500, false, 1500},
                      CompletionCase{"PartCopiedStartingLikeTheCanary", 1500, true, 1500},
                      CompletionCase{"ZeroIsAskedAgain", 0, true, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// Every read gets another canary, so a body cannot be made to match the next one.
TEST(ReadCanaryTest, EveryReadHasItsOwn) {
    Net::ReadCanaries canaries;
    const Net::Canary first = canaries.Next();
    EXPECT_NE(first, canaries.Next());
    EXPECT_NE(first, Net::ReadCanaries().Next());
}

}  // namespace
