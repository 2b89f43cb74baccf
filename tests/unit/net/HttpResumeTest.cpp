// A body whose connection drops is asked for again from where it broke off
// (Range, If-Range) against the fault server's /resume routes.
#include "NetTestSupport.h"

using namespace NetTest;
using Net::HttpError;

namespace {

constexpr std::int64_t kLength = 1000000;

// Returns the fault server's path of a body of kLength that breaks off after `breakAt` bytes, as `mode` says.
std::wstring Path(const wchar_t* mode, int breakAt) {
    return L"/resume/" + std::wstring(mode) + L"/" + std::to_wstring(breakAt) + L"/" + std::to_wstring(kLength);
}

std::wstring Resume(const wchar_t* mode, int breakAt) { return Fault(Path(mode, breakAt)); }

struct ResumedCase {
    const char* Name;
    const wchar_t* Mode;
    int Restarts;  // how often the body started again from its first byte
};

void PrintTo(const ResumedCase& c, std::ostream* os) { *os << c.Name; }

class ResumedTest : public ::testing::TestWithParam<ResumedCase> {};

// A body that breaks off after 300 000 bytes arrives whole: continued by a 206
// as the same transfer, or started again by a 200 as a new one.
TEST_P(ResumedTest, BodyArrivesWhole) {
    const ResumedCase& c = GetParam();
    ClientRig rig;
    StringStream stream;
    rig.Client.Get(Resume(c.Mode, 300000), stream);
    EXPECT_EQ(stream.Bytes.size(), static_cast<std::size_t>(kLength));
    EXPECT_TRUE(stream.Bytes == PatternBody(kLength));
    EXPECT_EQ(stream.Restarts, c.Restarts);
    const std::vector<Transfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), static_cast<std::size_t>(c.Restarts) + 1);
    for (const Transfer& transfer : transfers) EXPECT_EQ(transfer.Total, kLength);
    if (c.Restarts > 0) {
        EXPECT_GT(transfers[0].Received, 0);
        EXPECT_LE(transfers[0].Received, 300000);
    }
    EXPECT_EQ(transfers.back().Received, kLength);
}

INSTANTIATE_TEST_SUITE_P(Http, ResumedTest,
    ::testing::Values(ResumedCase{"ResetWithETag", L"etag", 0}, ResumedCase{"ResetWithLastModified", L"lastmod", 0},
                      ResumedCase{"ClosedBeforeTheLength", L"close", 0},
                      ResumedCase{"RangeAnsweredWithTheWholeBody", L"whole", 1}),
    [](const auto& info) { return std::string(info.param.Name); });

struct NotResumedCase {
    const char* Name;
    const wchar_t* Mode;
    std::vector<HttpError::ErrorKind> Kinds;  // what the platform may make of it
    std::int64_t LeastReceived;  // the count the failure comes after, at least
    std::int64_t MostReceived;
    std::size_t Asked;  // requests to the server: the first and each resumption
};

void PrintTo(const NotResumedCase& c, std::ostream* os) { *os << c.Name; }

class NotResumedTest : public ::testing::TestWithParam<NotResumedCase> {};

// A drop without a validator fails at once; a server that breaks off every
// response (100 000 bytes each) fails after the third resumption, that is
// after more than three responses' bytes and no more than four; a resumed
// response that drops before a new byte is not resumed again (the first
// drop always is); a 206 for another range fails with its status. Each
// stays one transfer.
TEST_P(NotResumedTest, GetFails) {
    const NotResumedCase& c = GetParam();
    const std::size_t askedBefore = TestSupport::TestServers::Instance().FaultRequests(Path(c.Mode, 100000));
    ClientRig rig;
    StringStream stream;
    const HttpError::ErrorKind kind = GetFails(rig.Client, Resume(c.Mode, 100000), stream).Kind();
    EXPECT_EQ(TestSupport::TestServers::Instance().FaultRequests(Path(c.Mode, 100000)) - askedBefore, c.Asked);
    EXPECT_NE(std::find(c.Kinds.begin(), c.Kinds.end(), kind), c.Kinds.end()) << "kind " << static_cast<int>(kind);
    const std::vector<Transfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_GE(transfers[0].Received, c.LeastReceived);
    EXPECT_LE(transfers[0].Received, c.MostReceived);
    EXPECT_TRUE(stream.Bytes == PatternBody(stream.Bytes.size()));
}

using K = HttpError::ErrorKind;
INSTANTIATE_TEST_SUITE_P(Http, NotResumedTest,
    ::testing::Values(NotResumedCase{"NoValidator", L"novalidator", {K::Connection, K::ShortBody}, 1, 100000, 1},
                      NotResumedCase{"ResetEveryTime", L"always", {K::Connection, K::ShortBody}, 300001, 400000, 4},
                      NotResumedCase{"ResumedWithoutNewBytes", L"nothingnew", {K::ShortBody}, 100000, 100000, 2},
                      NotResumedCase{"WrongContentRange", L"wrongrange", {K::Status}, 1, 100000, 2},
                      // The rest brings 500 bytes more than the length: none of them is written.
                      NotResumedCase{"LongerThanAnnounced", L"long", {K::LongBody}, 100000, kLength, 2}),
    [](const auto& info) { return std::string(info.param.Name); });

// Returns how often the fault server has been asked for `path` so far.
std::size_t TimesAsked(const std::wstring& path) { return TestSupport::TestServers::Instance().FaultRequests(path); }

// After a redirect and through the authenticating proxy, the rest is asked for
// from the final URL with the proxy's credentials: the proxy's log shows the
// final URL asked for twice, the body and the range that continued it (no
// restart), and the server got both from the proxy, which passes on only what
// carries the credentials. The first URL would answer the range with a
// redirect; the server would answer it directly too.
TEST(HttpResumeTest, ThroughTheProxyFromTheFinalUrl) {
    const std::wstring path = L"/resume/etag/300000/1000000?through=proxy_auth";
    const std::size_t proxiedBefore = TestSupport::TestServers::Instance().ProxyRequests("proxy_auth", Fault(path));
    const std::size_t askedBefore = TimesAsked(path);
    ClientRig rig;
    rig.Client.SetProxy(TestProxy("proxy_auth", L"tester", L"secret"));
    StringStream stream;
    rig.Client.Get(Fault(L"/redirect?to=" + path), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(kLength));
    EXPECT_EQ(stream.Restarts, 0);
    const std::vector<Transfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 2u);  // the redirect's body, then the resumed one
    EXPECT_EQ(transfers.back().Received, kLength);
    EXPECT_EQ(TestSupport::TestServers::Instance().ProxyRequests("proxy_auth", Fault(path)) - proxiedBefore, 2u)
        << "the range went around the proxy";
    EXPECT_EQ(TimesAsked(path) - askedBefore, 2u);
}

// A server that breaks off every response after 40 000 bytes is asked
// exactly four times (the first request and three resumptions), every time:
// the first response's drop is resumed whatever had been read of it, and each
// resumed response brought bytes before it broke off.
TEST(HttpResumeTest, ResetEveryTimeIsAskedFourTimesEveryTime) {
    const std::wstring path = L"/resume/always/40000/" + std::to_wstring(kLength);
    for (int run = 1; run <= 20; ++run) {
        SCOPED_TRACE(run);
        const std::size_t before = TimesAsked(path);
        ClientRig rig;
        StringStream stream;
        GetFails(rig.Client, Fault(path), stream);
        EXPECT_EQ(TimesAsked(path) - before, 4u);
    }
}

// A first response whose connection ends right after its headers, before a
// byte of its body (as when a reset takes what had arrived unread), is
// resumed from the start: a 206 for all of it completes the file. (It closes
// rather than resets: Wine may lose the headers themselves to a reset.)
TEST(HttpResumeTest, FirstResponseDroppedBeforeItsBodyIsResumed) {
    const std::wstring path = L"/resume/close/0/" + std::to_wstring(kLength);
    const std::size_t before = TimesAsked(path);
    ClientRig rig;
    StringStream stream;
    rig.Client.Get(Fault(path), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(kLength));
    EXPECT_EQ(stream.Restarts, 0);
    EXPECT_EQ(TimesAsked(path) - before, 2u);
}

}  // namespace
