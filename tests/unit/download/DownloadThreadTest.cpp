// The download thread against the real test servers, without a progress
// window: the notifications a plain hidden window receives (the marquee
// switch among them), the download file and its names, and the URL handed to
// the browser (a recording stub).
#include "download/ClientProxy.h"
#include "download/DownloadMessages.h"
#include "download/DownloadThread.h"
#include "files/FilePaths.h"
#include "support/BrowserStub.h"
#include "support/ScratchFiles.h"
#include "support/TestServers.h"
#include "support/Waits.h"
#include "unit/net/NetTestSupport.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

using namespace TestSupport;
using NetTest::Fault;

namespace {

// One notification as the window received it.
struct Notice {
    UINT Message;
    WPARAM Kind;
    LPARAM Value;  // for work: the newest count, as the window reads it
    bool Marquee;  // whether the bar runs as a marquee once it has arrived
};

// A hidden top-level window that records every WM_DOWNLOAD_* message, reading
// the newest count for a work notification and acknowledging it at once as
// the window does (a frame later), or never when told so, and following the
// marquee switch as the window's bar does. UI thread.
class NotificationRecorder {
public:
    NotificationRecorder(const NotificationRecorder&) = delete;
    NotificationRecorder& operator=(const NotificationRecorder&) = delete;
    NotificationRecorder() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"DownloadNotificationRecorder";
        RegisterClassW(&windowClass);
        window_.reset(CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      windowClass.hInstance, this));
        Win::ThrowLastErrorIf(!window_, "CreateWindowExW");
    }
    HWND Handle() const { return window_.get(); }

    bool Finished() const {
        for (const Notice& notice : Notices)
            if (notice.Message == WM_DOWNLOAD_FINISHED) return true;
        return false;
    }
    bool HasWork() const {
        for (const Notice& notice : Notices)
            if (notice.Message == WM_DOWNLOAD_PROGRESS && notice.Kind == PROGRESS_WORK) return true;
        return false;
    }

    // Dispatches this thread's messages until `done` holds; false after 60 s.
    template <typename Predicate>
    bool PumpUntil(Predicate done) { return TestSupport::PumpUntil(done); }

    // Starts recording the notifications of a thread that shares `count`.
    void Follow(std::shared_ptr<TransferProgress> count, bool acknowledge = true) {
        Notices.clear();
        count_ = std::move(count);
        acknowledge_ = acknowledge;
        transfer_ = 0;
        marquee_ = false;
    }

    // Returns the marquee switches in order: "1" for on, "0" for off.
    std::string MarqueeSwitches() const {
        std::string switches;
        for (const Notice& notice : Notices)
            if (notice.Message == WM_DOWNLOAD_PROGRESS && notice.Kind == PROGRESS_MARQUEE)
                switches += notice.Value ? '1' : '0';
        return switches;
    }

    std::vector<Notice> Notices;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<NotificationRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && (message == WM_DOWNLOAD_PROGRESS || message == WM_DOWNLOAD_FINISHED))
            self->Record(message, wParam, lParam);
        return DefWindowProcW(window, message, wParam, lParam);
    }

    void Record(UINT message, WPARAM kind, LPARAM value) {
        if (message == WM_DOWNLOAD_PROGRESS && kind == PROGRESS_BEGIN) ++transfer_;
        if (message == WM_DOWNLOAD_PROGRESS && kind == PROGRESS_WORK && count_) {
            if (acknowledge_) count_->Acknowledge();
            // A later transfer's count is not this one's: the posted count stands then.
            const std::optional<std::uint64_t> newest = count_->Newest(transfer_);
            EXPECT_GE(newest.value_or(value), static_cast<std::uint64_t>(value)) << "the newest count is older";
            value = static_cast<LPARAM>(newest.value_or(value));
        }
        if (message == WM_DOWNLOAD_PROGRESS && kind == PROGRESS_MARQUEE) marquee_ = value != 0;
        Notices.push_back({message, kind, value, marquee_});
    }

    std::shared_ptr<TransferProgress> count_;
    bool acknowledge_ = true;
    unsigned transfer_ = 0;
    bool marquee_ = false;

    Win::UniqueHWnd window_;
};

// One transfer as the notifications told it.
struct Reported {
    LPARAM Total;
    LPARAM Last;  // the last running count (0 without any)
    bool operator==(const Reported& other) const { return Total == other.Total && Last == other.Last; }
};

// Splits the notices into transfers and the finished value, failing the test
// unless they read begin, growing counts, end, ... and one finished, last.
std::vector<Reported> Transfers(const std::vector<Notice>& notices, WPARAM& finished) {
    std::vector<Reported> transfers;
    bool open = false;
    for (size_t i = 0; i < notices.size(); ++i) {
        const Notice& n = notices[i];
        if (n.Message == WM_DOWNLOAD_FINISHED) {
            EXPECT_EQ(i + 1, notices.size()) << "finished must come once, last";
            EXPECT_FALSE(open) << "a transfer without its end";
            EXPECT_EQ(n.Value, 0);
            finished = n.Kind;
        } else if (n.Kind == PROGRESS_MARQUEE) {
            EXPECT_TRUE(n.Value == 0 || n.Value == 1);
        } else if (n.Kind == PROGRESS_BEGIN) {
            EXPECT_FALSE(open);
            open = true;
            transfers.push_back({n.Value, 0});
        } else if (n.Kind == PROGRESS_WORK) {
            EXPECT_TRUE(open);
            if (!transfers.empty()) {
                EXPECT_GE(n.Value, transfers.back().Last);
                transfers.back().Last = n.Value;
            }
        } else {
            EXPECT_EQ(n.Kind, PROGRESS_END);
            EXPECT_EQ(n.Value, 0);
            EXPECT_TRUE(open);
            open = false;
        }
    }
    return transfers;
}

// What the thread works with: a window that records its notifications, a
// temporary folder of its own, the browser stub. No progress window.
class DownloadThreadTest : public ::testing::Test {
protected:
    DownloadThreadTest() : temp_(scratch_.Path()) {}
    ~DownloadThreadTest() override { thread_.reset(); }

    std::wstring Target() const { return scratch_.Path() + L"target\\"; }

    // Starts a download of `url` into Target().
    void Start(const std::wstring& url, const Net::ProxySettings& proxy = Net::ProxySettings(),
               const std::wstring& target = std::wstring(), bool acknowledge = true) {
        thread_ = std::make_unique<DownloadThread>(recorder_.Handle(), url, target.empty() ? Target() : target, proxy);
        names_ = thread_->Names();
        // Nothing is dispatched before this: the notifications wait in the queue.
        recorder_.Follow(thread_->Progress(), acknowledge);
    }
    // Waits for the finished notification, takes the final names, then
    // destroys the thread (closing the file).
    WPARAM Finish() {
        EXPECT_TRUE(recorder_.PumpUntil([this] { return recorder_.Finished(); }));
        names_ = thread_->Names();
        thread_.reset();
        WPARAM finished = 99;
        reported_ = Transfers(recorder_.Notices, finished);
        return finished;
    }
    // Stops a running download the way the window does when it is destroyed:
    // RequestStop, then Join; the finished notification must have been
    // posted during that wait.
    void StopAndJoin() {
        thread_->RequestStop();
        thread_->Join();
        MSG message;
        EXPECT_TRUE(PeekMessageW(&message, recorder_.Handle(), WM_DOWNLOAD_FINISHED, WM_DOWNLOAD_FINISHED,
                                 PM_NOREMOVE));
        EXPECT_FALSE(recorder_.Finished());
    }
    // Returns the client's proxy for a job whose proxy is the named server.
    static Net::ProxySettings ThroughProxy(const char* server, bool authorization, const std::wstring& user,
                                           const std::wstring& password) {
        const JobProxy proxy{true,          L"127.0.0.1", std::to_wstring(TestServers::Instance().Port(server)),
                             authorization, user,         password};
        const std::optional<Net::ProxySettings> settings = TryClientProxy(proxy);
        EXPECT_TRUE(settings);
        return settings.value_or(Net::ProxySettings());
    }

    Win::ComApartment com_;
    ScratchFolder scratch_;
    ScopedTempFolder temp_;
    ScopedBrowserStub browser_;
    NotificationRecorder recorder_;
    std::unique_ptr<DownloadThread> thread_;
    DownloadNames names_;
    std::vector<Reported> reported_;
};

struct SequenceCase {
    const char* Name;
    const wchar_t* Path;  // on the fault server
    std::vector<Reported> Expected;
    const char* MarqueeSwitches;  // "1" on, "0" off, in order
    size_t FileSize;
    const wchar_t* RemoteName;
};

void PrintTo(const SequenceCase& c, std::ostream* os) { *os << c.Name; }

class NotificationSequence : public DownloadThreadTest, public ::testing::WithParamInterface<SequenceCase> {};

// A complete download posts the transfers the size display may show (none
// after a redirect unless the body is announced above 51200 bytes), the
// marquee on at each redirect and off again for a body that shows its size,
// then finished 1; the file holds the body and the remote name is the last one.
TEST_P(NotificationSequence, CompleteDownloadReportsItsTransfers) {
    const SequenceCase& c = GetParam();
    Start(Fault(c.Path));
    EXPECT_EQ(Finish(), 1u);
    EXPECT_EQ(reported_, c.Expected);
    EXPECT_EQ(recorder_.MarqueeSwitches(), c.MarqueeSwitches);
    for (const Notice& notice : recorder_.Notices) {
        if (notice.Message == WM_DOWNLOAD_PROGRESS && notice.Kind != PROGRESS_MARQUEE) {
            EXPECT_FALSE(notice.Marquee);
        }
    }
    EXPECT_EQ(names_.TargetFolder, Target());
    EXPECT_EQ(names_.RunFolder, RunFolderIn(Target())) << "one new folder of the download's own";
    EXPECT_EQ(ParentFolder(names_.DownloadPath) + L"\\", names_.RunFolder);
    EXPECT_TRUE(ReadFileBytes(names_.DownloadPath) == NetTest::PatternBody(c.FileSize));
    EXPECT_EQ(names_.RemoteFileName, c.RemoteName);
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

const SequenceCase kSequences[] = {
    {"KnownLength", L"/fixed/1000", {{1000, 1000}}, "", 1000, L"1000"},
    {"UnannouncedLength", L"/close/70000", {{0, 70000}}, "", 70000, L"70000"},
    {"RedirectTo51200", L"/redirect?code=302&to=/fixed/51200", {}, "1", 51200, L"51200"},
    {"RedirectTo51201", L"/redirect?code=302&to=/fixed/51201", {{51201, 51201}}, "10", 51201, L"51201"},
    {"TwoRedirects", L"/chain/rel/302/1?to=/fixed/77", {}, "11", 77, L"77"},
};

INSTANTIATE_TEST_SUITE_P(Downloads, NotificationSequence, ::testing::ValuesIn(kSequences),
                         [](const auto& info) { return std::string(info.param.Name); });

// A failed download leaves no file and ends with finished 0; the job's URL
// goes to the browser only when it is a web address: the shell would run a
// program's path or open any other protocol it is handed.
TEST_F(DownloadThreadTest, FailureOpensOnlyAWebAddressInTheBrowser) {
    const std::wstring notFound = Fault(L"/status/404");
    const struct {
        const char* Label;
        std::wstring Url;
        bool Opened;
    } cases[] = {
        {"error status", notFound, true},
        {"file URL", L"file:///C:/windows/system32/winver.exe", false},
        {"search protocol", L"search-ms:query=setup&crumb=location:C%3A%5C", false},
        {"program path", L"C:\\windows\\system32\\winver.exe", false},
    };
    std::vector<std::wstring> opened;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        Start(c.Url);
        EXPECT_EQ(Finish(), 0u);
        EXPECT_TRUE(reported_.empty());
        EXPECT_FALSE(PathExists(names_.DownloadPath));
        EXPECT_TRUE(LeftBehindIn(Target()).empty()) << "the run's folder is removed";
        if (c.Opened) opened.push_back(c.Url);
    }
    EXPECT_EQ(browser_.SettledUrls(), opened);
}

// A stop in the middle of the body deletes the file, opens no browser and
// ends with finished 0, posted while the UI thread waits for the thread.
TEST_F(DownloadThreadTest, StopMidBodyDeletesTheFileQuietly) {
    Start(Fault(L"/stall-body/400000"));
    ASSERT_TRUE(recorder_.PumpUntil([this] { return recorder_.HasWork(); }));
    StopAndJoin();
    EXPECT_EQ(Finish(), 0u);
    ASSERT_EQ(reported_.size(), 1u);
    EXPECT_EQ(reported_[0].Total, 400000);
    EXPECT_FALSE(PathExists(names_.DownloadPath));
    EXPECT_TRUE(LeftBehindIn(Target()).empty()) << "the run's folder is removed";
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

// A stop before the thread has made its client still ends it at once, quietly.
TEST_F(DownloadThreadTest, StopBeforeTheTransferStartsEndsQuietly) {
    Start(Fault(L"/stall-headers"));
    StopAndJoin();
    EXPECT_EQ(Finish(), 0u);
    EXPECT_FALSE(PathExists(names_.DownloadPath));
    EXPECT_TRUE(LeftBehindIn(Target()).empty()) << "the run's folder is removed";
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

// A total above 4 GiB travels whole: 5 000 000 000, not its low 32 bits.
TEST_F(DownloadThreadTest, LargeTotalIsReportedWhole) {
    Start(Fault(L"/huge"));
    ASSERT_TRUE(recorder_.PumpUntil([this] { return recorder_.HasWork(); }));
    StopAndJoin();
    EXPECT_EQ(Finish(), 0u);
    ASSERT_FALSE(reported_.empty());
    EXPECT_EQ(reported_[0].Total, LPARAM{5000000000});
}

// A range answered with the whole body again is a second transfer: a begin,
// counts from 0 to the whole body and an end after the first one's end, whose
// last count is at most what came before the connection broke.
TEST_F(DownloadThreadTest, WholeBodyAgainIsASecondTransfer) {
    Start(Fault(L"/resume/whole/300000/1000000"));
    EXPECT_EQ(Finish(), 1u);
    ASSERT_EQ(reported_.size(), 2u);
    EXPECT_EQ(reported_[0].Total, 1000000);
    EXPECT_LE(reported_[0].Last, 300000);
    EXPECT_EQ(reported_[1], (Reported{1000000, 1000000}));
    EXPECT_TRUE(ReadFileBytes(names_.DownloadPath) == NetTest::PatternBody(1000000));
}

// While the window has not acknowledged a work notification, the thread posts
// no other within a transfer, and a new transfer may post again: a 3 MiB body
// read in many pieces gives one work notification between its begin and end,
// a body whose range is answered with the whole body again one in each of its
// two transfers; the shared count holds the last transfer's whole body.
TEST_F(DownloadThreadTest, WorkNotificationWaitsForTheWindowsAcknowledgement) {
    const struct {
        const char* Label;
        std::wstring Url;
        std::size_t Transfers;
        std::uint64_t Size;
    } cases[] = {
        {"one transfer", TestServers::Instance().Http("nginx", L"/pattern-3m.bin"), 1, 3 << 20},
        {"whole body again", Fault(L"/resume/whole/300000/1000000"), 2, 1000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        Start(c.Url, Net::ProxySettings(), std::wstring(), false);
        const auto count = thread_->Progress();  // shared: it outlives the thread
        EXPECT_EQ(Finish(), 1u);
        ASSERT_EQ(reported_.size(), c.Transfers);
        EXPECT_EQ(reported_.back().Total, static_cast<LPARAM>(c.Size));
        std::vector<int> work;  // work notifications per transfer
        for (const Notice& notice : recorder_.Notices) {
            if (notice.Message != WM_DOWNLOAD_PROGRESS) continue;
            if (notice.Kind == PROGRESS_BEGIN) work.push_back(0);
            if (notice.Kind == PROGRESS_WORK && !work.empty()) ++work.back();
        }
        EXPECT_EQ(work, std::vector<int>(c.Transfers, 1));
        EXPECT_EQ(count->Newest(static_cast<unsigned>(c.Transfers)), std::optional<std::uint64_t>(c.Size));
    }
}

// A download name the file system rejects, or a target folder that cannot be
// made (below a file), ends the thread before any request: finished 0, no
// file, the proxy the job names never saw the URL, and the user gets the
// job's URL in the browser, as for any other download that fails.
TEST_F(DownloadThreadTest, UnusableDownloadPathFailsBeforeAnyRequest) {
    WriteFileBytes(scratch_.Path() + L"a-file", "x");
    const struct {
        const char* Label;
        std::wstring Name;  // the URL's last part, whose extension names the download file
        std::wstring Target;
    } cases[] = {
        {"wildcard in the name", L"rejected.a*b", Target()},
        {"name too long", L"rejected." + std::wstring(300, L'x'), Target()},
        {"folder below a file", L"rejected.bin", scratch_.Path() + L"a-file\\sub\\"},
    };
    std::vector<std::wstring> urls;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        urls.push_back(Fault(L"/fixed/" + c.Name));
        Start(urls.back(), ThroughProxy("proxy", false, L"", L""), c.Target);
        EXPECT_EQ(Finish(), 0u);
        EXPECT_TRUE(reported_.empty());
        EXPECT_FALSE(PathExists(names_.DownloadPath));
        EXPECT_TRUE(LeftBehindIn(Target()).empty()) << "the run's folder is removed";
    }
    EXPECT_EQ(ReadFileBytes(TestServers::Instance().File("proxy.log")).find("rejected"), std::string::npos);
    // Each opening starts a browser of its own: they may record in any order.
    std::vector<std::wstring> opened = browser_.SettledUrls();
    std::sort(opened.begin(), opened.end());
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(opened, urls);
}

struct ProxyCase {
    const char* Name;
    const char* Server;
    bool Authorization;
    const wchar_t* User;
    const wchar_t* Password;
    // Base64 of "user:password" as the server must see it; null where the
    // authenticating proxy consumes the header (its 200 is the proof then).
    const char* Credentials;
};

void PrintTo(const ProxyCase& c, std::ostream* os) { *os << c.Name; }

class ThroughTheProxy : public DownloadThreadTest, public ::testing::WithParamInterface<ProxyCase> {};

// The request goes through tinyproxy with the Basic proxy authorization of the
// job's credentials, or of an empty user and password when none are required
// (the user name and password are then not read).
TEST_P(ThroughTheProxy, RequestCarriesTheProxyAuthorization) {
    const ProxyCase& c = GetParam();
    Start(Fault(L"/echo"), ThroughProxy(c.Server, c.Authorization, c.User, c.Password));
    EXPECT_EQ(Finish(), 1u);
    const std::string echoed = ReadFileBytes(names_.DownloadPath);
    if (c.Credentials) {
        EXPECT_NE(echoed.find(std::string("Proxy-Authorization: Basic ") + c.Credentials + "\n"), std::string::npos)
            << echoed;
    }
    EXPECT_NE(echoed.find("(tinyproxy/"), std::string::npos) << echoed;
}

const ProxyCase kProxies[] = {
    {"NoAuthorization", "proxy", false, L"ignored", L"unused", "Og=="},
    {"BasicAuthorization", "proxy_auth", true, L"tester", L"secret", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Proxies, ThroughTheProxy, ::testing::ValuesIn(kProxies),
                         [](const auto& info) { return std::string(info.param.Name); });

// A stop at random moments of every phase (connecting, waiting for headers,
// inside a redirect chain, mid-body) ends the thread quietly; the latency from
// RequestStop to the end of Join is printed. A stop takes milliseconds by
// design (measured here: 4.3 ms at most over 40 stops); one that takes a
// second waited for the transfer instead.
TEST_F(DownloadThreadTest, StopAtRandomMomentsEndsQuietly) {
    const std::wstring urls[] = {
        TestServers::Instance().Http("black_hole", L"/fixed/10"),
        Fault(L"/stall-headers"),
        Fault(L"/chain/rel/302/3?to=/slow/300000"),
        Fault(L"/slow/300000"),
    };
    std::vector<double> latencies;
    unsigned seed = 12345;
    for (int i = 0; i < 40; ++i) {
        Start(urls[i % 4]);
        seed = seed * 1103515245 + 12345;
        const ULONGLONG stopAt = GetTickCount64() + (seed >> 16) % 300;
        ASSERT_TRUE(recorder_.PumpUntil([stopAt] { return GetTickCount64() >= stopAt; }));
        const double before = NetTest::NowMs();
        thread_->RequestStop();
        thread_->Join();
        latencies.push_back(NetTest::NowMs() - before);
        EXPECT_EQ(Finish(), 0u) << i;
        EXPECT_FALSE(PathExists(names_.DownloadPath));
        EXPECT_TRUE(LeftBehindIn(Target()).empty()) << "the run's folder is removed";
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("stop latency ms: median %.1f, p90 %.1f, max %.1f over %zu stops\n", latencies[latencies.size() / 2],
                latencies[latencies.size() * 9 / 10], latencies.back(), latencies.size());
    EXPECT_LT(latencies.back(), 1000.0);
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

}  // namespace
