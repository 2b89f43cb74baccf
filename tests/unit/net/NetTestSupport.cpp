#include "NetTestSupport.h"

#include "support/TestMain.h"
#include "support/TestServers.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace NetTest {

namespace {

// Aborted transfers leave handles closing on threads of ours, and the platform
// has threads of its own that may still be busy with them (Wine drains the
// rest of a fast body first). Letting such a process run its DLL detach races
// those threads, and an environment's failed check after the tests leaves a
// failing exit code under a passing summary. So once the summary is out, the
// process waits for the closes (bounded) and ends without the detach, with the
// exit code the test main would give (no test ran: 1).
class DefinedEnd : public ::testing::EmptyTestEventListener {
public:
    void OnTestProgramEnd(const ::testing::UnitTest& unitTest) override {
        constexpr unsigned long kCloseWaitMs = 60000;
        if (!Net::WaitForBackgroundCloses(kCloseWaitMs))
            std::printf("Handles of aborted transfers were still closing after %lu ms\n", kCloseWaitMs);
        std::fflush(stdout);
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), TestSupport::TestProgramExitCode(unitTest.Passed()));
    }
};

const bool kDefinedEnd = (::testing::UnitTest::GetInstance()->listeners().Append(new DefinedEnd), true);

}  // namespace

void EventRecorder::TransferBegun(std::int64_t total) { Events.push_back({Event::Begin, total}); }

void EventRecorder::DataReceived(std::int64_t count) {
    Events.push_back({Event::Work, count});
    if (AfterWork) AfterWork(count);
}

void EventRecorder::TransferRestarted(std::int64_t total) { Events.push_back({Event::Restart, total}); }

void EventRecorder::TransferEnded() { Events.push_back({Event::End, 0}); }

void EventRecorder::Redirected(const std::wstring& location) {
    Redirects.push_back(location);
    if (AfterRedirect) AfterRedirect(location);
}

std::vector<Transfer> EventRecorder::Transfers() const {
    std::vector<Transfer> transfers;
    bool open = false;
    for (const Event& event : Events) {
        switch (event.Kind) {
        case Event::Begin:
            EXPECT_FALSE(open) << "begin inside a transfer";
            transfers.push_back({event.Value, 0, 0, 0});
            open = true;
            break;
        case Event::Work:
            EXPECT_TRUE(open) << "work outside a transfer";
            if (!transfers.empty()) {
                EXPECT_GT(event.Value, transfers.back().Received) << "counts must grow";
                transfers.back().LargestPiece =
                    std::max(transfers.back().LargestPiece, event.Value - transfers.back().Received);
                transfers.back().Received = event.Value;
                ++transfers.back().WorkEvents;
            }
            break;
        case Event::Restart:
            EXPECT_TRUE(open) << "restart outside a transfer";
            transfers.push_back({event.Value, 0, 0, 0});
            break;
        case Event::End:
            EXPECT_TRUE(open) << "end outside a transfer";
            open = false;
            break;
        }
    }
    EXPECT_FALSE(open) << "a transfer without its end";
    return transfers;
}

ClientRig::ClientRig(unsigned long idleLimitMs) : Client(Abort, Recorder, idleLimitMs) {}

std::wstring Fault(const std::wstring& path) { return TestSupport::TestServers::Instance().Http("fault", path); }

Net::ProxySettings TestProxy(const char* server, const wchar_t* user, const wchar_t* password) {
    return {L"127.0.0.1", TestSupport::TestServers::Instance().Port(server), user, password, L""};
}

Net::HttpError GetFails(Net::HttpClient& client, const std::wstring& url, Net::OutputStream& stream) {
    try {
        client.Get(url, stream);
    } catch (const Net::HttpError& error) {
        std::printf("GET %s failed: %s\n", Win::ToUtf8(url).c_str(), error.what());
        return error;
    }
    ADD_FAILURE() << "the GET of " << Win::ToUtf8(url) << " returned normally";
    return Net::HttpError(Net::HttpError::ErrorKind::Connection, L"returned normally");
}

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace NetTest
