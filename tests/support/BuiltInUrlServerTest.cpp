// The end-to-end tests' own server, fetched from with the product's HTTP
// client: each answer arrives as the tests rely on it.
#include "net/HttpClient.h"
#include "support/BuiltInUrlServer.h"
#include "support/Waits.h"

#include <memory>
#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace TestSupport;

namespace {

class StringStream : public Net::OutputStream {
public:
    void Write(const void* data, std::size_t size) override { Bytes.append(static_cast<const char*>(data), size); }
    std::string Bytes;
};

// Keeps the locations of the redirects a client followed; the transfers go unrecorded.
class RedirectRecorder : public Net::TransferSink {
public:
    void TransferBegun(std::int64_t) override {}
    void DataReceived(std::int64_t) override {}
    void TransferRestarted(std::int64_t) override {}
    void TransferEnded() override {}
    void Redirected(const std::wstring& location) override { Locations.push_back(location); }
    std::vector<std::wstring> Locations;
};

// Fetches `url`, through `proxyPort` when it is not 0; returns the body, or
// "failed" when the GET raised. `redirects`, when given, gets the redirects followed.
std::string Fetch(const std::wstring& url, int proxyPort = 0, RedirectRecorder* redirects = nullptr) {
    RedirectRecorder ownRecorder;
    Net::HttpClient client(std::make_shared<Net::AbortSignal>(), redirects ? *redirects : ownRecorder);
    if (proxyPort) client.SetProxy({L"127.0.0.1", proxyPort, L"", L"", L""});
    StringStream stream;
    try {
        client.Get(url, stream);
    } catch (const std::exception&) {
        return "failed";
    }
    return stream.Bytes;
}

std::wstring UrlAt(int port, const std::wstring& path = L"/files/ov3/orvinta-setup.exe") {
    return L"http://127.0.0.1:" + std::to_wstring(port) + path;
}

// A body arrives whole, also when it is trickled; the request line is recorded.
TEST(BuiltInUrlServerTest, ServesTheBodyAndRecordsTheRequest) {
    const std::string body(30000, 'b');
    for (unsigned long rate : {0ul, 100000ul}) {
        BuiltInUrlServer server(ServerAnswer::Body(body, rate), 0);
        EXPECT_EQ(Fetch(UrlAt(server.Port())), body);
        EXPECT_EQ(server.RequestLines(), std::vector<std::string>{"GET /files/ov3/orvinta-setup.exe HTTP/1.1"});
        // The server counts a piece once its send has returned, which may be after the client has it.
        EXPECT_TRUE(WaitUntil([&] { return server.BodyBytesSent() == body.size(); }, 5000))
            << server.BodyBytesSent() << " of " << body.size() << " bytes counted";
    }
}

// Asked as a proxy for another host, it gives the same answer and records the absolute form.
TEST(BuiltInUrlServerTest, AnswersAsAProxy) {
    BuiltInUrlServer server(ServerAnswer::Body("through the proxy"), 0);
    EXPECT_EQ(Fetch(L"http://localhost:1/x.exe", server.Port()), "through the proxy");
    ASSERT_EQ(server.RequestLines().size(), 1u);
    EXPECT_EQ(server.RequestLines()[0], "GET http://localhost:1/x.exe HTTP/1.1");
}

// An error status and a body shorter than announced fail the GET.
TEST(BuiltInUrlServerTest, ErrorStatusAndShortBodyFail) {
    for (const ServerAnswer& answer : {ServerAnswer::Status(404), ServerAnswer::Status(500),
                                       ServerAnswer::ShortBody(std::string(1000, 's'), 5000)}) {
        BuiltInUrlServer server(answer, 0);
        EXPECT_EQ(Fetch(UrlAt(server.Port())), "failed");
        EXPECT_EQ(server.RequestLines().size(), 1u);
    }
}

// A redirect names its location, which the client then fetches.
TEST(BuiltInUrlServerTest, RedirectLeadsToItsLocation) {
    BuiltInUrlServer target(ServerAnswer::Body("moved here"), 0);
    const std::string location = "http://127.0.0.1:" + std::to_string(target.Port()) + "/b.exe";
    BuiltInUrlServer server(ServerAnswer::Redirect(302, location), 0);
    RedirectRecorder redirects;
    EXPECT_EQ(Fetch(UrlAt(server.Port()), 0, &redirects), "moved here");
    EXPECT_EQ(target.RequestLines(), std::vector<std::string>{"GET /b.exe HTTP/1.1"});
    EXPECT_EQ(redirects.Locations, std::vector<std::wstring>{std::wstring(location.begin(), location.end())});
}

// A stalled answer keeps the connection open until the server goes; the
// client's abort ends the GET, and destroying the server does not hang.
TEST(BuiltInUrlServerTest, StallHoldsTheConnection) {
    BuiltInUrlServer server(ServerAnswer::Stall(), 0);
    auto abort = std::make_shared<Net::AbortSignal>();
    RedirectRecorder redirects;
    Net::HttpClient client(abort, redirects);
    StringStream stream;
    bool failed = false;
    std::thread aborter([&] {
        WaitUntil([&] { return server.BodyBytesSent() >= 10; }, 20000);
        abort->Abort();
    });
    try {
        client.Get(UrlAt(server.Port()), stream);
    } catch (const std::exception&) {
        failed = true;
    }
    aborter.join();
    EXPECT_TRUE(failed);
    EXPECT_EQ(server.BodyBytesSent(), 10u);
}

enum class Probe { Bind, Connect };

// Binds or connects a socket of ours to the loopback port; returns 0 when
// that succeeded, else the Winsock error.
int ProbePort(int port, Probe probe) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return -1;
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto* name = reinterpret_cast<const sockaddr*>(&address);
    const int result =
        probe == Probe::Bind ? bind(socket, name, sizeof address) : connect(socket, name, sizeof address);
    const int error = result == 0 ? 0 : WSAGetLastError();
    closesocket(socket);
    WSACleanup();
    return error;
}

// A refused answer holds the port without listening: a connection is
// refused, and no other socket can take the port meanwhile.
TEST(BuiltInUrlServerTest, RefusedHoldsThePortAndRefusesConnections) {
    BuiltInUrlServer server(ServerAnswer::Refused(), 0);
    EXPECT_EQ(ProbePort(server.Port(), Probe::Connect), WSAECONNREFUSED);
    EXPECT_EQ(ProbePort(server.Port(), Probe::Bind), WSAEADDRINUSE);
    EXPECT_TRUE(server.RequestLines().empty());
}

// A fixed port that another socket holds for a moment is taken once it is free.
TEST(BuiltInUrlServerTest, FixedPortHeldForAMomentIsTakenOnceFree) {
    auto holder = std::make_unique<BuiltInUrlServer>(ServerAnswer::Refused(), 0);
    const int port = holder->Port();
    std::thread release([&holder] {
        Sleep(500);  // the hold
        holder.reset();
    });
    std::string answer;
    try {
        const BuiltInUrlServer server(ServerAnswer::Body("after the hold"), port);
        answer = Fetch(UrlAt(server.Port()));
    } catch (const std::exception& error) {
        answer = error.what();
    }
    release.join();
    EXPECT_EQ(answer, "after the hold");
}

// The default port is the built-in URL's.
TEST(BuiltInUrlServerTest, ListensAtTheBuiltInUrlsPortByDefault) {
    BuiltInUrlServer server(ServerAnswer::Body("built in"));
    EXPECT_EQ(server.Port(), BuiltInUrlServer::BuiltInUrlPort());
    EXPECT_EQ(Fetch(UPDATER_DOWNLOAD_URL_FOR_TESTS), "built in");
}

}  // namespace
