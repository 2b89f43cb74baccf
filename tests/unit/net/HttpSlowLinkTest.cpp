// The idle limit on slow links: each test lasts well over 30 seconds.
#include "NetTestSupport.h"

#include <wininet.h>

#include <cstdio>

using namespace NetTest;
using Net::THttpError;

namespace {

// A body trickled at 1.5 KB/s for 45 s completes byte for byte: the 30-second
// limit counts the time without a byte, not the time of the transfer.
TEST(HttpSlowLinkTest, TrickleLongerThanTheIdleLimitCompletes) {
    constexpr std::size_t kSize = 67500;  // 45 s at 150 bytes every 0.1 s
    TClientRig rig;
    TStringStream stream;
    const double started = NowMs();
    rig.Client.Get(Fault(L"/trickle/" + std::to_wstring(kSize)), stream);
    const double seconds = (NowMs() - started) / 1000;
    EXPECT_EQ(stream.Bytes.size(), kSize);
    EXPECT_TRUE(stream.Bytes == PatternBody(kSize));
    const std::vector<TTransfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    std::printf("trickle: %zu bytes in %.1f s, %d work events, largest piece %lld bytes\n", stream.Bytes.size(),
                seconds, transfers[0].WorkEvents, static_cast<long long>(transfers[0].LargestPiece));
    EXPECT_GT(seconds, 40.0) << "the server trickled for less than the idle limit";
}

// A resumable body (sized, with an ETag) that stops for longer than the idle
// limit fails with the time-out, and is not asked for again.
TEST(HttpSlowLinkTest, PauseLongerThanTheIdleLimitFails) {
    TClientRig rig;
    TStringStream stream;
    const double started = NowMs();
    const THttpError error = GetFails(rig.Client, Fault(L"/pause/100000/200000?s=40"), stream);
    std::printf("failed after %.1f s\n", (NowMs() - started) / 1000);
    EXPECT_EQ(error.Kind(), THttpError::TKind::Connection);
    EXPECT_EQ(error.Code(), static_cast<unsigned long>(ERROR_INTERNET_TIMEOUT));
    const std::vector<TTransfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].Received, 100000);
    EXPECT_EQ(stream.Restarts, 0);
}

}  // namespace
