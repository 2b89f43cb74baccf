// The progress window running whole downloads against the real test servers:
// the file under its final name, the recorded result, the failure that opens
// the job's URL in the browser (a recording stub), a close during the transfer.
#include "FilePaths.h"
#include "HTTPDownloaderThread.h"
#include "NamingState.h"
#include "UpdaterForm.h"
#include "UpdaterFormUnit.h"
#include "support/BrowserStub.h"
#include "support/FormJob.h"
#include "support/TestServers.h"
#include "support/TestSupport.h"
#include "toolkit/Application.h"
#include "toolkit/Label.h"
#include "toolkit/ProgressBar.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace TestSupport;
using Toolkit::Application;

namespace {

// The 3 MiB body nginx serves as /pattern-3m.bin: bytes 0..250 repeated.
std::string Pattern3M() {
    std::string bytes(3 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

class UpdaterFormDownloadTest : public ::testing::Test {
protected:
    UpdaterFormDownloadTest() : temp_(scratch_.Path()), target_(scratch_.Path() + L"target\\") {
        UpdaterFormUnitStartup();
        Application().Initialize();
    }
    ~UpdaterFormDownloadTest() override {
        Application().DestroyForms();
        UpdaterFormUnitTeardown();
    }
    // Loads a job for `url` into the target folder, proxy off, and makes the window (which starts it).
    TUpdaterForm& Start(const std::wstring& url, const std::wstring& registryKey = L"") {
        TFormJob job;
        job.FileOnWeb = url;
        job.TargetFilePath = target_;
        job.RegistryKey = registryKey;
        job.Proxy = TProxyServerInfo{};
        LoadFormJob(job);
        UpdaterForm = &Application().CreateForm<TUpdaterForm>();
        return *UpdaterForm;
    }

    Win::ComApartment com_;
    ScratchFolder scratch_;
    ScopedTempFolder temp_;
    ScopedBrowserStub browser_;
    const std::wstring target_;
};

// A complete download ends under the next free final name, records it in the
// job's registry key, leaves no download file, opens no browser, and closes the window.
TEST_F(UpdaterFormDownloadTest, CompleteDownloadEndsUnderItsFinalName) {
    ScratchRegistryKey key;
    CreateDirectoryW(target_.c_str(), nullptr);
    WriteFileBytes(target_ + L"pattern-3m.bin", "older");
    TUpdaterForm& form = Start(TTestServers::Instance().Http("nginx", L"/pattern-3m.bin"),
                               L"HKEY_CURRENT_USER\\" + key.SubKey());
    ASSERT_TRUE(form.DownloaderThread);
    Application().Run();  // ends when the finished notification closes the window

    EXPECT_TRUE(form.DownloadCompleted);
    EXPECT_FALSE(form.DownloaderThread);
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_EQ(FilesIn(target_), (std::vector<std::wstring>{L"pattern-3m.bin", L"pattern-3m2.bin"}));
    EXPECT_EQ(ReadFileBytes(target_ + L"pattern-3m.bin"), "older");
    EXPECT_TRUE(ReadFileBytes(target_ + L"pattern-3m2.bin") == Pattern3M());
    EXPECT_EQ(form.Label2->Caption(), L"Downloaded: 3072 / 3072 KB");
    EXPECT_EQ(form.ProgressBar1->Position(), 100);

    DWORD done = 1, type = 0, size = sizeof done;
    ASSERT_EQ(RegQueryValueExW(key.get(), L"Done", nullptr, &type, reinterpret_cast<BYTE*>(&done), &size), 0);
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(done, 0u);
    wchar_t name[64] = {};
    size = sizeof name;
    ASSERT_EQ(RegQueryValueExW(key.get(), L"FinalFileName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size),
              0);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(std::wstring(name), L"pattern-3m2.bin");
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

// An error status leaves no file, opens the job's URL in the browser, moves
// nothing and closes the window.
TEST_F(UpdaterFormDownloadTest, ErrorStatusClosesAndOpensTheBrowser) {
    const std::wstring url = TTestServers::Instance().Http("fault", L"/status/404");
    TUpdaterForm& form = Start(url);
    Application().Run();
    EXPECT_FALSE(form.DownloadCompleted);
    EXPECT_FALSE(form.DownloaderThread);
    EXPECT_TRUE(FilesIn(target_).empty());
    EXPECT_EQ(browser_.SettledUrls(), std::vector<std::wstring>{url});
}

// Closing the window during the transfer hides it, and the destroy handler
// stops the thread and leaves no file; no browser is opened.
TEST_F(UpdaterFormDownloadTest, CloseDuringTheTransferLeavesNoFile) {
    TUpdaterForm& form = Start(TTestServers::Instance().Http("fault", L"/stall-body/400000"));
    const ULONGLONG end = GetTickCount64() + 60000;
    while (form.ReceivedSize == 0 && GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    ASSERT_GT(form.ReceivedSize, 0u);
    ASSERT_FALSE(FilesIn(target_).empty());
    form.Close();
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_TRUE(Application().Terminated());
    Application().DestroyForms();
    EXPECT_TRUE(FilesIn(target_).empty());
    EXPECT_TRUE(browser_.SettledUrls().empty());
}

}  // namespace
