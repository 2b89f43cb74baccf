// The idle limit on slow links, with the short limit of the stall tests: it
// counts the time without a byte, and it ends a stall when it is reached, not
// before. (The product's 30 s: FaultMatrixE2ETest.StallMidBody.)
#include "NetTestSupport.h"

#include <wininet.h>

#include <cstdio>

using namespace NetTest;
using Net::HttpError;
using TestSupport::kShortIdleLimitMs;

namespace {

// A body trickled at 1.5 KB/s for twice the idle limit completes byte for
// byte: the limit counts the time without a byte, not the time of the transfer.
TEST(HttpSlowLinkTest, TrickleLongerThanTheIdleLimitCompletes) {
    const std::size_t size = 150 * (2 * kShortIdleLimitMs / 100);  // 150 bytes every 0.1 s
    ClientRig rig(kShortIdleLimitMs);
    StringStream stream;
    const double started = NowMs();
    rig.Client.Get(Fault(L"/trickle/" + std::to_wstring(size)), stream);
    const double elapsedMs = NowMs() - started;
    EXPECT_EQ(stream.Bytes.size(), size);
    EXPECT_TRUE(stream.Bytes == PatternBody(size));
    const std::vector<Transfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    std::printf("trickle: %zu bytes in %.0f ms, %d work events, largest piece %lld bytes\n", stream.Bytes.size(),
                elapsedMs, transfers[0].WorkEvents, static_cast<long long>(transfers[0].LargestPiece));
    EXPECT_GT(elapsedMs, 1.5 * kShortIdleLimitMs) << "the server trickled for less than the idle limit";
}

// A resumable body (sized, with an ETag) that stops for twice the idle limit
// fails with the time-out once the limit has passed, before the pause ends,
// and is not asked for again.
TEST(HttpSlowLinkTest, PauseLongerThanTheIdleLimitFails) {
    ClientRig rig(kShortIdleLimitMs);
    StringStream stream;
    const double started = NowMs();
    const std::wstring pause = std::to_wstring(2 * kShortIdleLimitMs / 1000);
    const HttpError error = GetFails(rig.Client, Fault(L"/pause/100000/200000?s=" + pause), stream);
    const double elapsedMs = NowMs() - started;
    std::printf("failed after %.0f ms\n", elapsedMs);
    EXPECT_EQ(error.Kind(), HttpError::ErrorKind::Connection);
    EXPECT_EQ(error.Code(), static_cast<unsigned long>(ERROR_INTERNET_TIMEOUT));
    EXPECT_GE(elapsedMs, kShortIdleLimitMs - 50.0);
    EXPECT_LT(elapsedMs, 2.0 * kShortIdleLimitMs);
    const std::vector<Transfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].Received, 100000);
    EXPECT_EQ(stream.Restarts, 0);
}

}  // namespace
