// The HTTP client against the fault-injecting server and nginx on 127.0.0.1.
#include "NetTestSupport.h"

#include "support/TestServers.h"

using namespace NetTest;
using Net::THttpError;
using TestSupport::TTestServers;

namespace {

std::wstring Fault(const std::wstring& path) { return TTestServers::Instance().Http("fault", path); }

struct TBodyCase {
    const char* Name;
    const char* Server;
    const wchar_t* Path;
    std::size_t Size;
    std::int64_t AnnouncedTotal;
};

void PrintTo(const TBodyCase& c, std::ostream* os) { *os << c.Name; }

class BodyTest : public ::testing::TestWithParam<TBodyCase> {};

// Every way of delimiting a body gives the whole body and one begin/work/end
// transfer whose total is the Content-Length, or 0 without one.
TEST_P(BodyTest, WholeBodyAndOneTransfer) {
    const TBodyCase& c = GetParam();
    TClientRig rig;
    TStringStream stream;
    rig.Client.Get(TTestServers::Instance().Http(c.Server, c.Path), stream);
    EXPECT_EQ(stream.Bytes.size(), c.Size);
    EXPECT_TRUE(stream.Bytes == PatternBody(c.Size));
    const std::vector<TTransfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].Total, c.AnnouncedTotal);
    EXPECT_EQ(transfers[0].Received, static_cast<std::int64_t>(c.Size));
    EXPECT_TRUE(rig.Recorder.Redirects.empty());
}

INSTANTIATE_TEST_SUITE_P(Http, BodyTest,
    ::testing::Values(TBodyCase{"Fixed1000", "fault", L"/fixed/1000", 1000, 1000},
                      TBodyCase{"Chunked", "fault", L"/chunked/25000", 25000, 0},
                      TBodyCase{"UntilClose", "fault", L"/close/30000", 30000, 0},
                      TBodyCase{"Empty", "fault", L"/fixed/0", 0, 0},
                      TBodyCase{"NginxFile3MiB", "nginx", L"/pattern-3m.bin", 3u << 20, 3 << 20}),
    [](const auto& info) { return std::string(info.param.Name); });

// A large file from nginx arrives complete, counted in work events at most
// 1 MiB (one read) apart.
TEST(HttpClientTest, LargeFileFromNginx) {
    TClientRig rig;
    TCountingStream stream;
    rig.Client.Get(TTestServers::Instance().Http("nginx", L"/zero-256m.bin"), stream);
    EXPECT_EQ(stream.Count, 256u << 20);
    const std::vector<TTransfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].Total, 256 << 20);
    EXPECT_EQ(transfers[0].Received, 256 << 20);
    EXPECT_GE(transfers[0].WorkEvents, 256);
    EXPECT_LE(transfers[0].LargestPiece, 1 << 20);
}

// A slow body (1 KiB every 20 ms) is reported as it arrives, in pieces of a
// few KiB, not in whole buffers.
TEST(HttpClientTest, SlowBodyInSmallPieces) {
    TClientRig rig;
    TCountingStream stream;
    rig.Client.Get(Fault(L"/slow/200000"), stream);
    EXPECT_EQ(stream.Count, 200000u);
    const std::vector<TTransfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].Received, 200000);
    EXPECT_GE(transfers[0].WorkEvents, 50);
    EXPECT_LE(transfers[0].LargestPiece, 32 * 1024);
}

struct TPauseCase {
    const char* Name;
    const wchar_t* Path;  // 544 KiB of a 1025 KiB body, then a pause of 600 s
    std::int64_t AnnouncedTotal;
};

void PrintTo(const TPauseCase& c, std::ostream* os) { *os << c.Name; }

class PauseTest : public ::testing::TestWithParam<TPauseCase> {};

// Everything sent before a pause is reported while the server pauses: the count
// reaches exactly 544 KiB, not a multiple of a buffer's size (then the abort
// set at that count ends the GET).
TEST_P(PauseTest, CountReachesWhatWasSent) {
    constexpr std::int64_t kSent = 544 * 1024;
    TClientRig rig;
    auto record = rig.Client.OnWork;
    rig.Client.OnWork = [&, record](Net::TWorkMode mode, std::int64_t count) {
        record(mode, count);
        if (count == kSent) rig.Abort->Abort();
    };
    TStringStream stream;
    EXPECT_EQ(GetFails(rig.Client, Fault(GetParam().Path), stream), THttpError::TKind::Aborted);
    const std::vector<TTransfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].Total, GetParam().AnnouncedTotal);
    EXPECT_EQ(transfers[0].Received, kSent);
    EXPECT_TRUE(stream.Bytes == PatternBody(kSent));
}

INSTANTIATE_TEST_SUITE_P(Http, PauseTest,
    ::testing::Values(TPauseCase{"Sized", L"/pause/557056/1049600", 1049600},
                      TPauseCase{"Unsized", L"/pause/557056/1049600?sized=0", 0}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TChainCase {
    const char* Name;
    const wchar_t* Mode;  // abs or rel
    int Status;
    int Hops;             // redirects before the final Location
};

void PrintTo(const TChainCase& c, std::ostream* os) { *os << c.Name; }

class RedirectChainTest : public ::testing::TestWithParam<TChainCase> {};

// Each redirect status is followed through absolute and relative locations; the
// handler sees every resolved location with its number, and every redirect
// body is one more transfer before the final one.
TEST_P(RedirectChainTest, FollowsToTheFinalBody) {
    const TChainCase& c = GetParam();
    const std::wstring prefix = L"/chain/" + std::wstring(c.Mode) + L"/" + std::to_wstring(c.Status) + L"/";
    const std::wstring query = L"?to=/fixed/1000";
    TClientRig rig;
    TStringStream stream;
    rig.Client.Get(Fault(prefix + std::to_wstring(c.Hops) + query), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(1000));
    const auto& redirects = rig.Recorder.Redirects;
    ASSERT_EQ(redirects.size(), static_cast<size_t>(c.Hops) + 1);
    for (int i = 0; i < c.Hops; ++i) {
        EXPECT_EQ(redirects[i].Location, Fault(prefix + std::to_wstring(c.Hops - 1 - i) + query));
        EXPECT_EQ(redirects[i].Count, i + 1);
        EXPECT_TRUE(redirects[i].Follow);
        EXPECT_EQ(redirects[i].Method, L"GET");
    }
    EXPECT_EQ(redirects.back().Location, Fault(L"/fixed/1000"));
    const std::vector<TTransfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), static_cast<size_t>(c.Hops) + 2);
    EXPECT_EQ(transfers.front().Total, 6);  // "moved\n"
    EXPECT_EQ(transfers.back().Total, 1000);
    EXPECT_EQ(transfers.back().Received, 1000);
}

INSTANTIATE_TEST_SUITE_P(Http, RedirectChainTest,
    ::testing::Values(TChainCase{"Absolute301", L"abs", 301, 2}, TChainCase{"Relative302", L"rel", 302, 3},
                      TChainCase{"Absolute303", L"abs", 303, 1}, TChainCase{"Relative307", L"rel", 307, 1},
                      TChainCase{"Relative308", L"rel", 308, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// The redirect handler may send the client elsewhere.
TEST(HttpClientTest, RedirectHandlerChangesTheLocation) {
    TClientRig rig;
    rig.Client.OnRedirect = [](std::wstring& location, int, bool&, std::wstring&) { location = Fault(L"/fixed/77"); };
    TStringStream stream;
    rig.Client.Get(Fault(L"/redirect?to=/fixed/5"), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(77));
}

// A redirect the handler declines fails the GET with the redirect's status.
TEST(HttpClientTest, DeclinedRedirectFails) {
    TClientRig rig;
    rig.Client.OnRedirect = [](std::wstring&, int, bool& follow, std::wstring&) { follow = false; };
    TStringStream stream;
    try {
        rig.Client.Get(Fault(L"/redirect?code=307&to=/fixed/5"), stream);
        ADD_FAILURE() << "returned normally";
    } catch (const THttpError& error) {
        EXPECT_EQ(error.Kind(), THttpError::TKind::Status);
        EXPECT_EQ(error.Code(), 307u);
    }
    EXPECT_TRUE(stream.Bytes.empty());
}

// A redirect loop ends at the limit, after the handler saw each redirect once.
TEST(HttpClientTest, RedirectLoopEndsAtTheLimit) {
    TClientRig rig;
    TStringStream stream;
    EXPECT_EQ(GetFails(rig.Client, Fault(L"/loop"), stream), THttpError::TKind::TooManyRedirects);
    ASSERT_EQ(rig.Recorder.Redirects.size(), static_cast<size_t>(Net::THttpClient::RedirectLimit));
    EXPECT_EQ(rig.Recorder.Redirects.back().Count, Net::THttpClient::RedirectLimit);
}

// Exactly RedirectLimit redirects are still followed.
TEST(HttpClientTest, RedirectsUpToTheLimitAreFollowed) {
    TClientRig rig;
    TStringStream stream;
    const int hops = Net::THttpClient::RedirectLimit - 1;
    rig.Client.Get(Fault(L"/chain/abs/302/" + std::to_wstring(hops) + L"?to=/fixed/3"), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(3));
    EXPECT_EQ(rig.Recorder.Redirects.size(), static_cast<size_t>(Net::THttpClient::RedirectLimit));
}

// With the redirect loop switched off a redirect is an error status.
TEST(HttpClientTest, RedirectsOffMakeARedirectFail) {
    TClientRig rig;
    rig.Client.SetHandleRedirects(false);
    TStringStream stream;
    EXPECT_EQ(GetFails(rig.Client, Fault(L"/redirect?to=/fixed/5"), stream), THttpError::TKind::Status);
    EXPECT_TRUE(rig.Recorder.Redirects.empty());
}

// A redirect to another scheme is refused.
TEST(HttpClientTest, RedirectToAnotherSchemeFails) {
    TClientRig rig;
    TStringStream stream;
    EXPECT_EQ(GetFails(rig.Client, Fault(L"/redirect?to=ftp://127.0.0.1/x"), stream), THttpError::TKind::BadRedirect);
    EXPECT_TRUE(rig.Recorder.Redirects.empty());
}

struct TFailureCase {
    const char* Name;
    const wchar_t* Path;
    std::vector<THttpError::TKind> Kinds;  // what the platform may make of it
};

void PrintTo(const TFailureCase& c, std::ostream* os) { *os << c.Name; }

class FailureTest : public ::testing::TestWithParam<TFailureCase> {};

// Each fault of the server makes the GET raise the matching error, never return.
TEST_P(FailureTest, GetRaises) {
    TClientRig rig;
    TStringStream stream;
    const THttpError::TKind kind = GetFails(rig.Client, Fault(GetParam().Path), stream);
    EXPECT_NE(std::find(GetParam().Kinds.begin(), GetParam().Kinds.end(), kind), GetParam().Kinds.end())
        << "kind " << static_cast<int>(kind);
    rig.Recorder.Transfers();  // begin and end stay paired on failure too
}

using K = THttpError::TKind;
// The short and reset bodies carry no validator, so they are not resumed.
INSTANTIATE_TEST_SUITE_P(Http, FailureTest,
    ::testing::Values(TFailureCase{"NotFound", L"/status/404", {K::Status}},
                      TFailureCase{"ServerError", L"/status/500", {K::Status}},
                      TFailureCase{"NotModified", L"/status/304", {K::Status}},
                      TFailureCase{"ShortBody", L"/short/100000", {K::ShortBody}},
                      TFailureCase{"ResetBeforeHeaders", L"/reset", {K::Connection}},
                      TFailureCase{"ResetMidBody", L"/reset-body/200000", {K::Connection, K::ShortBody}},
                      TFailureCase{"RedirectWithoutLocation", L"/status/302", {K::BadRedirect}}),
    [](const auto& info) { return std::string(info.param.Name); });

// An error status carries its code, and its body is not written.
TEST(HttpClientTest, ErrorStatusCarriesItsCode) {
    TClientRig rig;
    TStringStream stream;
    try {
        rig.Client.Get(Fault(L"/status/404"), stream);
        ADD_FAILURE() << "returned normally";
    } catch (const THttpError& error) {
        EXPECT_EQ(error.Code(), 404u);
    }
    EXPECT_TRUE(stream.Bytes.empty());
}

// Nothing listening on the port is a connection error.
TEST(HttpClientTest, ClosedPortFails) {
    TClientRig rig;
    TStringStream stream;
    // Port 1 needs root to listen on; nothing of the test run does.
    EXPECT_EQ(GetFails(rig.Client, L"http://127.0.0.1:1/", stream), THttpError::TKind::Connection);
}

// A write error of the stream leaves the GET as the stream's own exception,
// with the transfer's end reported.
TEST(HttpClientTest, StreamWriteErrorPropagates) {
    TClientRig rig;
    TFailingStream stream;
    EXPECT_THROW(rig.Client.Get(Fault(L"/fixed/1000"), stream), std::runtime_error);
    ASSERT_EQ(rig.Recorder.Transfers().size(), 1u);
}

// Only http and https addresses are fetched.
TEST(HttpClientTest, OtherSchemesAreRefused) {
    TClientRig rig;
    TStringStream stream;
    EXPECT_EQ(GetFails(rig.Client, L"ftp://127.0.0.1/x", stream), THttpError::TKind::BadRedirect);
    EXPECT_EQ(GetFails(rig.Client, L"not a url", stream), THttpError::TKind::BadRedirect);
}

// A server that never answers ends the GET by the platform's receive time-out.
TEST(HttpClientTest, StallBeforeHeadersEndsByTimeOut) {
    TClientRig rig;
    TStringStream stream;
    EXPECT_EQ(GetFails(rig.Client, Fault(L"/stall-headers"), stream), THttpError::TKind::Connection);
}

// A body that stops arriving ends the GET by the platform's receive time-out.
TEST(HttpClientTest, StallMidBodyEndsByTimeOut) {
    TClientRig rig;
    TStringStream stream;
    const THttpError::TKind kind = GetFails(rig.Client, Fault(L"/stall-body/100000"), stream);
    EXPECT_TRUE(kind == THttpError::TKind::Connection || kind == THttpError::TKind::ShortBody);
}

// One client serves several GETs in a row.
TEST(HttpClientTest, ClientIsReusable) {
    TClientRig rig;
    for (int size : {10, 20000, 3}) {
        TStringStream stream;
        rig.Client.Get(Fault(L"/fixed/" + std::to_wstring(size)), stream);
        EXPECT_TRUE(stream.Bytes == PatternBody(size));
    }
}

}  // namespace
