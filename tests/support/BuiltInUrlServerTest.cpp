// The end-to-end tests' own server, fetched from with the product's HTTP
// client: each answer arrives as the tests rely on it.
#include "net/HttpClient.h"
#include "support/BuiltInUrlServer.h"

#include <memory>
#include <gtest/gtest.h>

#include <thread>

using namespace TestSupport;

namespace {

class StringStream : public Net::TOutputStream {
public:
    void Write(const void* data, std::size_t size) override { Bytes.append(static_cast<const char*>(data), size); }
    std::string Bytes;
};

// Fetches `url`, through `proxyPort` when it is not 0; returns the body, or
// "failed" when the GET raised.
std::string Fetch(const std::wstring& url, int proxyPort = 0, bool followRedirects = true) {
    Net::THttpClient client(std::make_shared<Net::TAbortSignal>());
    if (proxyPort) client.SetProxy({L"127.0.0.1", proxyPort, L"", L"", L""});
    client.SetHandleRedirects(followRedirects);
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
        for (int i = 0; i < 500 && server.BodyBytesSent() < body.size(); ++i) Sleep(10);
        EXPECT_EQ(server.BodyBytesSent(), body.size());
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
    EXPECT_EQ(Fetch(UrlAt(server.Port())), "moved here");
    EXPECT_EQ(target.RequestLines(), std::vector<std::string>{"GET /b.exe HTTP/1.1"});
    EXPECT_EQ(Fetch(UrlAt(server.Port()), 0, false), "failed");
}

// A stalled answer keeps the connection open until the server goes; the
// client's abort ends the GET, and destroying the server does not hang.
TEST(BuiltInUrlServerTest, StallHoldsTheConnection) {
    BuiltInUrlServer server(ServerAnswer::Stall(), 0);
    auto abort = std::make_shared<Net::TAbortSignal>();
    Net::THttpClient client(abort);
    StringStream stream;
    bool failed = false;
    std::thread aborter([&] {
        while (server.BodyBytesSent() < 10) Sleep(10);
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

// The default port is the built-in URL's.
TEST(BuiltInUrlServerTest, ListensAtTheBuiltInUrlsPortByDefault) {
    BuiltInUrlServer server(ServerAnswer::Body("built in"));
    EXPECT_EQ(server.Port(), BuiltInUrlServer::BuiltInUrlPort());
    EXPECT_EQ(Fetch(UPDATER_DOWNLOAD_URL_FOR_TESTS), "built in");
}

}  // namespace
