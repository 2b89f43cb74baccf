#include "NetTestSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace NetTest {

namespace {

// Aborted transfers leave handles closing in the background; the test process
// ends only once they are closed, as a product would.
class TBackgroundClosesEnvironment : public ::testing::Environment {
public:
    void TearDown() override { EXPECT_TRUE(Net::WaitForBackgroundCloses(60000)); }
};

const ::testing::Environment* const kBackgroundCloses =
    ::testing::AddGlobalTestEnvironment(new TBackgroundClosesEnvironment);

}  // namespace

std::string PatternBody(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

TRecorder::TRecorder(Net::THttpClient& client) {
    client.OnWorkBegin = [this](Net::TWorkMode, std::int64_t total) { Events.push_back({TEvent::Begin, total}); };
    client.OnWork = [this](Net::TWorkMode, std::int64_t count) { Events.push_back({TEvent::Work, count}); };
    client.OnWorkEnd = [this](Net::TWorkMode) { Events.push_back({TEvent::End, 0}); };
    client.OnRedirect = [this](std::wstring& location, int count, bool& follow, std::wstring& method) {
        Redirects.push_back({location, count, follow, method});
    };
}

std::vector<TTransfer> TRecorder::Transfers() const {
    std::vector<TTransfer> transfers;
    bool open = false;
    for (const TEvent& event : Events) {
        switch (event.Kind) {
        case TEvent::Begin:
            EXPECT_FALSE(open) << "begin inside a transfer";
            transfers.push_back({event.Value, 0, 0, 0});
            open = true;
            break;
        case TEvent::Work:
            EXPECT_TRUE(open) << "work outside a transfer";
            if (!transfers.empty()) {
                EXPECT_GT(event.Value, transfers.back().Received) << "counts must grow";
                transfers.back().LargestPiece =
                    std::max(transfers.back().LargestPiece, event.Value - transfers.back().Received);
                transfers.back().Received = event.Value;
                ++transfers.back().WorkEvents;
            }
            break;
        case TEvent::End:
            EXPECT_TRUE(open) << "end outside a transfer";
            open = false;
            break;
        }
    }
    EXPECT_FALSE(open) << "a transfer without its end";
    return transfers;
}

TClientRig::TClientRig() { Client.SetHandleRedirects(true); }

Net::THttpError::TKind GetFails(Net::THttpClient& client, const std::wstring& url, Net::TOutputStream& stream) {
    try {
        client.Get(url, stream);
    } catch (const Net::THttpError& error) {
        std::printf("GET %s failed: %s\n", Win::ToUtf8(url).c_str(), error.what());
        return error.Kind();
    }
    ADD_FAILURE() << "the GET of " << Win::ToUtf8(url) << " returned normally";
    return Net::THttpError::TKind::Connection;
}

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace NetTest
