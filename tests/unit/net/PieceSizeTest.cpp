// The read sizes of a response body: large while pieces come fast, 64 KiB on a slow link.
#include "net/PieceSize.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Net::TPieceSize;

constexpr DWORD KiB = 1024;

struct TRead {
    DWORD Bytes;         // 0: a full piece of the size asked for
    std::uint64_t Ms;
};

struct TPieceCase {
    const char* Name;
    std::vector<TRead> Reads;
    std::vector<DWORD> Sizes;  // Next() before each read, then after the last
};

void PrintTo(const TPieceCase& c, std::ostream* os) { *os << c.Name; }

class PieceSizeTest : public ::testing::TestWithParam<TPieceCase> {};

// Feeds the reads in order and checks the size asked for before each and after the last.
TEST_P(PieceSizeTest, SizesFollowTheSpeed) {
    const TPieceCase& c = GetParam();
    TPieceSize size;
    std::uint64_t count = 0;
    std::vector<DWORD> asked{size.Next()};
    for (const TRead& read : c.Reads) {
        const DWORD bytes = read.Bytes ? read.Bytes : size.Next();
        count += bytes;
        size.Took(bytes, count, read.Ms);
        asked.push_back(size.Next());
    }
    EXPECT_EQ(asked, c.Sizes);
}

INSTANTIATE_TEST_SUITE_P(
    Net, PieceSizeTest,
    ::testing::Values(
        // Fast pieces double the size where the count allows it (64 KiB first
        // twice, so the count reaches 128 KiB), and stop at 256 KiB.
        TPieceCase{"FastGrowsAlignedUpTo256KiB",
                   {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}},
                   {64 * KiB, 64 * KiB, 128 * KiB, 256 * KiB, 256 * KiB, 256 * KiB}},
        // Pieces slower than the growth limit but not slow keep the size.
        TPieceCase{"SteadyKeepsTheSize", {{0, 25}, {0, 60}, {0, 100}}, {64 * KiB, 64 * KiB, 64 * KiB, 64 * KiB}},
        // A slow link never leaves 64 KiB.
        TPieceCase{"SlowStaysSmall", {{0, 1300}, {0, 1300}}, {64 * KiB, 64 * KiB, 64 * KiB}},
        // A large piece that comes slowly halves the size, down to 64 KiB.
        TPieceCase{"SlowDownShrinks",
                   {{0, 1}, {0, 1}, {0, 1}, {0, 500}, {0, 500}, {0, 500}},
                   {64 * KiB, 64 * KiB, 128 * KiB, 256 * KiB, 128 * KiB, 64 * KiB, 64 * KiB}},
        // A short piece (the body's end, or less than asked) does not grow the size.
        TPieceCase{"ShortPieceKeepsTheSize", {{1000, 1}, {0, 1}}, {64 * KiB, 64 * KiB, 64 * KiB}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
