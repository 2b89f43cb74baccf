// The run carries out only the job its start composed: a settings file that
// another process rewrote between the write and the read-back ends it quietly.
#include "app/EntryRoutine.h"
#include "job/SettingsFile.h"
#include "support/BuiltInUrlServer.h"
#include "support/ScratchFiles.h"
#include "support/Waits.h"
#include "support/WindowFinder.h"
#include "support/WindowRun.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <ostream>
#include <string>

using namespace TestSupport;

namespace {

std::wstring UrlOf(const BuiltInUrlServer& server, const wchar_t* path) {
    return L"http://127.0.0.1:" + std::to_wstring(server.Port()) + path;
}

struct ReadBackCase {
    const char* name;
    // What the other process changes in the job it writes over the file; null: it leaves the file alone.
    std::function<void(Job& job, const std::wstring& otherUrl)> change;
};

void PrintTo(const ReadBackCase& c, std::ostream* out) { *out << c.name; }

class ReadBackJobTest : public ::testing::TestWithParam<ReadBackCase> {};

// The file as written runs the job: the window shows and the composed URL is
// asked (the window is then closed). A file rewritten after the write (another
// URL, other arguments, another registry key) ends the run at once: no
// window, no request to either server, nothing in the target folder.
TEST_P(ReadBackJobTest, OnlyTheComposedJobRuns) {
    const ReadBackCase& c = GetParam();
    const Win::ComApartment com;
    const ScratchFolder scratch;
    const ScopedTempFolder temp(scratch.Path());
    // Slow bodies: a run that starts is still downloading when the window closes.
    const BuiltInUrlServer composedServer(ServerAnswer::Body(std::string(1024 * 1024, 'x'), 64 * 1024), 0);
    const BuiltInUrlServer otherServer(ServerAnswer::Body(std::string(1024 * 1024, 'x'), 64 * 1024), 0);
    Job composed = StartingJob(UrlOf(composedServer, L"/files/ov3/orvinta-setup.exe"), L"alpha");
    composed.TargetFolder = scratch.Path() + L"target\\";
    ASSERT_TRUE(SaveSettingsFile(composed));
    if (c.change) {
        Job other = composed;
        c.change(other, UrlOf(otherServer, L"/older/orvinta-setup.exe"));
        ASSERT_TRUE(SaveSettingsFile(other));
    }
    std::atomic<bool> returned{false};
    auto closer = std::async(std::launch::async, [&] {
        HWND window = nullptr;
        WaitUntil([&] { return (window = FindUpdaterWindow(GetCurrentProcessId())) || returned; }, 30000);
        if (!window) return false;
        WaitUntil([&] { return !composedServer.RequestLines().empty() || !otherServer.RequestLines().empty(); }, 20000);
        PostMessageW(window, WM_CLOSE, 0, 0);
        return true;
    });

    RunReadBackJob(composed, std::nullopt);
    returned = true;

    const bool showedWindow = closer.get();
    EXPECT_EQ(showedWindow, !c.change);
    EXPECT_EQ(composedServer.RequestLines().empty(), static_cast<bool>(c.change));
    EXPECT_TRUE(otherServer.RequestLines().empty()) << "the rewritten job was carried out";
    EXPECT_TRUE(FilesBelow(composed.TargetFolder).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadBackJobTest,
    ::testing::Values(
        ReadBackCase{"AsWritten", nullptr},
        ReadBackCase{"OtherUrl", [](Job& job, const std::wstring& url) { job.Url = url; }},
        ReadBackCase{"OtherArguments", [](Job& job, const std::wstring&) { job.SetupArguments = L"/S /D=C:\\Other"; }},
        ReadBackCase{"OtherRegistryKey",
                     [](Job& job, const std::wstring&) { job.RegistryKey = L"HKEY_CURRENT_USER\\Software\\Other"; }}),
    [](const ::testing::TestParamInfo<ReadBackCase>& info) { return std::string(info.param.name); });

}  // namespace
