// The HTTP client against the fault-injecting server and nginx on 127.0.0.1.
#include "NetTestSupport.h"

#include "support/TestServers.h"

using namespace NetTest;
using Net::HttpError;
using TestSupport::TestServers;

namespace {

struct BodyCase {
    const char* Name;
    const char* Server;
    const wchar_t* Path;
    std::size_t Size;
    std::int64_t AnnouncedTotal;
};

void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.Name; }

class BodyTest : public ::testing::TestWithParam<BodyCase> {};

// Every way of delimiting a body gives the whole body and one begin/work/end
// transfer whose total is the Content-Length, or 0 without one.
TEST_P(BodyTest, WholeBodyAndOneTransfer) {
    const BodyCase& c = GetParam();
    ClientRig rig;
    StringStream stream;
    rig.Client.Get(TestServers::Instance().Http(c.Server, c.Path), stream);
    EXPECT_EQ(stream.Bytes.size(), c.Size);
    EXPECT_TRUE(stream.Bytes == PatternBody(c.Size));
    const std::vector<Transfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].Total, c.AnnouncedTotal);
    EXPECT_EQ(transfers[0].Received, static_cast<std::int64_t>(c.Size));
    EXPECT_TRUE(rig.Recorder.Redirects.empty());
}

INSTANTIATE_TEST_SUITE_P(Http, BodyTest,
    ::testing::Values(BodyCase{"Fixed1000", "fault", L"/fixed/1000", 1000, 1000},
                      BodyCase{"Chunked", "fault", L"/chunked/25000", 25000, 0},
                      BodyCase{"UntilClose", "fault", L"/close/30000", 30000, 0},
                      BodyCase{"Empty", "fault", L"/fixed/0", 0, 0},
                      BodyCase{"NginxFile3MiB", "nginx", L"/pattern-3m.bin", 3u << 20, 3 << 20}),
    [](const auto& info) { return std::string(info.param.Name); });

struct WorkEventCase {
    const char* Name;
    const char* Server;
    const wchar_t* Path;
    std::size_t Size;
    int LeastWorkEvents;
    std::int64_t LargestPiece;  // the most the count may grow between two work events
};

void PrintTo(const WorkEventCase& c, std::ostream* os) { *os << c.Name; }

class WorkEventTest : public ::testing::TestWithParam<WorkEventCase> {};

// A body arrives complete, counted as it arrives in steps no larger than a
// bound: a large file from nginx at most one read (1 MiB) apart, a slow body
// (1 KiB every 20 ms) a few KiB apart rather than in whole buffers.
TEST_P(WorkEventTest, CountsTheBodyInBoundedSteps) {
    const WorkEventCase& c = GetParam();
    ClientRig rig;
    CountingStream stream;
    rig.Client.Get(TestServers::Instance().Http(c.Server, c.Path), stream);
    EXPECT_EQ(stream.Count, c.Size);
    const std::vector<Transfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].Total, static_cast<std::int64_t>(c.Size));
    EXPECT_EQ(transfers[0].Received, static_cast<std::int64_t>(c.Size));
    EXPECT_GE(transfers[0].WorkEvents, c.LeastWorkEvents);
    EXPECT_LE(transfers[0].LargestPiece, c.LargestPiece);
}

INSTANTIATE_TEST_SUITE_P(Http, WorkEventTest,
    ::testing::Values(WorkEventCase{"LargeFileFromNginx", "nginx", L"/zero-256m.bin", 256u << 20, 256, 1 << 20},
                      WorkEventCase{"SlowBody", "fault", L"/slow/200000", 200000, 50, 32 * 1024}),
    [](const auto& info) { return std::string(info.param.Name); });

struct PauseCase {
    const char* Name;
    const wchar_t* Path;  // 544 KiB of a 1025 KiB body, then a pause of 600 s
    std::int64_t AnnouncedTotal;
};

void PrintTo(const PauseCase& c, std::ostream* os) { *os << c.Name; }

class PauseTest : public ::testing::TestWithParam<PauseCase> {};

// Everything sent before a pause is reported while the server pauses: the count
// reaches exactly 544 KiB, not a multiple of a buffer's size (then the abort
// set at that count ends the GET).
TEST_P(PauseTest, CountReachesWhatWasSent) {
    constexpr std::int64_t kSent = 544 * 1024;
    ClientRig rig;
    rig.Recorder.AfterWork = [&](std::int64_t count) {
        if (count == kSent) rig.Abort->Abort();
    };
    StringStream stream;
    EXPECT_EQ(GetFails(rig.Client, Fault(GetParam().Path), stream).Kind(), HttpError::ErrorKind::Aborted);
    const std::vector<Transfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].Total, GetParam().AnnouncedTotal);
    EXPECT_EQ(transfers[0].Received, kSent);
    EXPECT_TRUE(stream.Bytes == PatternBody(kSent));
}

INSTANTIATE_TEST_SUITE_P(Http, PauseTest,
    ::testing::Values(PauseCase{"Sized", L"/pause/557056/1049600", 1049600},
                      PauseCase{"Unsized", L"/pause/557056/1049600?sized=0", 0}),
    [](const auto& info) { return std::string(info.param.Name); });

struct ChainCase {
    const char* Name;
    const wchar_t* Mode;  // abs or rel
    int Status;
    int Hops;             // redirects before the final Location
};

void PrintTo(const ChainCase& c, std::ostream* os) { *os << c.Name; }

class RedirectChainTest : public ::testing::TestWithParam<ChainCase> {};

// Each redirect status is followed through absolute and relative locations, up
// to the client's limit; the sink is told every resolved location in order,
// and every redirect body is one more transfer before the final one.
TEST_P(RedirectChainTest, FollowsToTheFinalBody) {
    const ChainCase& c = GetParam();
    const std::wstring prefix = L"/chain/" + std::wstring(c.Mode) + L"/" + std::to_wstring(c.Status) + L"/";
    const std::wstring query = L"?to=/fixed/1000";
    ClientRig rig;
    StringStream stream;
    rig.Client.Get(Fault(prefix + std::to_wstring(c.Hops) + query), stream);
    EXPECT_TRUE(stream.Bytes == PatternBody(1000));
    const auto& redirects = rig.Recorder.Redirects;
    ASSERT_EQ(redirects.size(), static_cast<size_t>(c.Hops) + 1);
    for (int i = 0; i < c.Hops; ++i) EXPECT_EQ(redirects[i], Fault(prefix + std::to_wstring(c.Hops - 1 - i) + query));
    EXPECT_EQ(redirects.back(), Fault(L"/fixed/1000"));
    const std::vector<Transfer> transfers = rig.Recorder.Transfers();
    ASSERT_EQ(transfers.size(), static_cast<size_t>(c.Hops) + 2);
    EXPECT_EQ(transfers.front().Total, 6);  // "moved\n"
    EXPECT_EQ(transfers.back().Total, 1000);
    EXPECT_EQ(transfers.back().Received, 1000);
}

INSTANTIATE_TEST_SUITE_P(Http, RedirectChainTest,
    ::testing::Values(ChainCase{"Absolute301", L"abs", 301, 2}, ChainCase{"Relative302", L"rel", 302, 3},
                      ChainCase{"Absolute303", L"abs", 303, 1}, ChainCase{"Relative307", L"rel", 307, 1},
                      ChainCase{"Relative308", L"rel", 308, 0},
                      ChainCase{"UpToTheLimit", L"abs", 302, Net::HttpClient::RedirectLimit - 1}),
    [](const auto& info) { return std::string(info.param.Name); });

struct FailureCase {
    const char* Name;
    const wchar_t* Address;  // a path of the fault server, or a whole address
    std::vector<HttpError::ErrorKind> Kinds;  // what the platform may make of it
    unsigned long Status = 0;  // the HTTP status a Status error carries; its body is not written
    int Redirects = 0;         // the redirects followed
    unsigned long IdleLimitMs = Net::DefaultIdleLimitMs();
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.Name; }

class FailureTest : public ::testing::TestWithParam<FailureCase> {};

// Each fault of the server, the address or the redirects makes the GET raise
// the matching error, never return: an error status carries its code and
// writes nothing, other failures write no more than the body's start, and the
// sink is told of each redirect followed once.
TEST_P(FailureTest, GetRaises) {
    const FailureCase& c = GetParam();
    ClientRig rig(c.IdleLimitMs);
    StringStream stream;
    const HttpError error = GetFails(rig.Client, c.Address[0] == L'/' ? Fault(c.Address) : c.Address, stream);
    EXPECT_NE(std::find(c.Kinds.begin(), c.Kinds.end(), error.Kind()), c.Kinds.end())
        << "kind " << static_cast<int>(error.Kind());
    if (c.Status) {
        EXPECT_EQ(error.Code(), c.Status);
        EXPECT_TRUE(stream.Bytes.empty());
    }
    EXPECT_TRUE(stream.Bytes == PatternBody(stream.Bytes.size()));
    EXPECT_EQ(rig.Recorder.Redirects.size(), static_cast<std::size_t>(c.Redirects));
    rig.Recorder.Transfers();  // begin and end stay paired on failure too
}

using K = HttpError::ErrorKind;
// The short and reset bodies carry no validator, so they are not resumed. The
// stalls end by the client's own limit without a byte, a short one here (its
// length: HttpSlowLinkTest, FaultMatrixE2ETest). Port 1 needs root to listen
// on; nothing of the test run does.
INSTANTIATE_TEST_SUITE_P(
    Http, FailureTest,
    ::testing::Values(
        FailureCase{"NotFound", L"/status/404", {K::Status}, 404},
        FailureCase{"ServerError", L"/status/500", {K::Status}, 500},
        FailureCase{"NotModified", L"/status/304", {K::Status}, 304},
        // A plain GET is answered by the whole file, with a 200, or not at all.
        FailureCase{"PartialContent", L"/status/206", {K::Status}, 206},
        FailureCase{"NoContent", L"/status/204", {K::Status}, 204},
        FailureCase{"NonAuthoritative", L"/status/203", {K::Status}, 203},
        FailureCase{"ShortBody", L"/short/100000", {K::ShortBody}},
        FailureCase{"ResetBeforeHeaders", L"/reset", {K::Connection}},
        FailureCase{"ResetMidBody", L"/reset-body/200000", {K::Connection, K::ShortBody}},
        FailureCase{"StallBeforeHeaders", L"/stall-headers", {K::Connection}, 0, 0, TestSupport::kShortIdleLimitMs},
        FailureCase{
            "StallMidBody", L"/stall-body/100000", {K::Connection, K::ShortBody}, 0, 0, TestSupport::kShortIdleLimitMs},
        FailureCase{"ClosedPort", L"http://127.0.0.1:1/", {K::Connection}},
        FailureCase{"OtherScheme", L"ftp://127.0.0.1/x", {K::BadRedirect}},
        FailureCase{"NotAnAddress", L"not a url", {K::BadRedirect}},
        FailureCase{"RedirectWithoutLocation", L"/status/302", {K::BadRedirect}},
        FailureCase{"RedirectToAnotherScheme", L"/redirect?to=ftp://127.0.0.1/x", {K::BadRedirect}},
        FailureCase{"RedirectLoop", L"/loop", {K::TooManyRedirects}, 0, Net::HttpClient::RedirectLimit}),
    [](const auto& info) { return std::string(info.param.Name); });

// A write error of the stream leaves the GET as the stream's own exception,
// with the transfer's end reported.
TEST(HttpClientTest, StreamWriteErrorPropagates) {
    ClientRig rig;
    FailingStream stream;
    EXPECT_THROW(rig.Client.Get(Fault(L"/fixed/1000"), stream), std::runtime_error);
    ASSERT_EQ(rig.Recorder.Transfers().size(), 1u);
}

// One client serves several GETs in a row.
TEST(HttpClientTest, ClientIsReusable) {
    ClientRig rig;
    for (int size : {10, 20000, 3}) {
        StringStream stream;
        rig.Client.Get(Fault(L"/fixed/" + std::to_wstring(size)), stream);
        EXPECT_TRUE(stream.Bytes == PatternBody(size));
    }
}

}  // namespace
