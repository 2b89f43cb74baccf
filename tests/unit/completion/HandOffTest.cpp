// The hand-off of a file already downloaded, without a download or a window:
// a file in a real target folder, the real registry, the publisher check on
// files signed by osslsigncode (the signing fixtures) and what the started
// stand-in setup program recorded.
#include "completion/HandOff.h"
#include "completion/HeldFileRetry.h"
#include "files/FilePaths.h"
#include "job/BuiltInJob.h"
#include "seams/ShortHeldFileRetry.h"
#include "support/BrowserStub.h"
#include "support/DemoSetup.h"
#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/SigningFixtures.h"
#include "support/SystemSettings.h"
#include "support/Waits.h"
#include "support/WindowFinder.h"
#include "win/Exception.h"
#include "win/Unique.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <thread>

using namespace TestSupport;

namespace {

// The values of `key`, by name: their type and their data as bytes.
std::map<std::wstring, std::pair<DWORD, std::string>> ValuesOf(HKEY key) {
    std::map<std::wstring, std::pair<DWORD, std::string>> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, size = 1024;
        std::string data(size, '\0');
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &size) != ERROR_SUCCESS)
            break;
        data.resize(size);
        values[name] = {type, data};
    }
    return values;
}

DWORD SubKeyCount(HKEY key) {
    DWORD count = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    return count;
}

std::string Bytes(const void* data, size_t size) { return std::string(static_cast<const char*>(data), size); }

// A subkey of `parent` whose access list denies everyone the setting of
// values, so that it cannot be opened for reading and writing; the list is
// opened up again before the scratch key removes it.
class ScopedKeyDenyingSetValue {
public:
    ScopedKeyDenyingSetValue(const ScopedKeyDenyingSetValue&) = delete;
    ScopedKeyDenyingSetValue& operator=(const ScopedKeyDenyingSetValue&) = delete;
    ScopedKeyDenyingSetValue(HKEY parent, const std::wstring& name) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        // D: deny KEY_SET_VALUE (0x2) to Everyone, allow all key rights to Everyone.
        Win::ThrowLastErrorIf(!ConvertStringSecurityDescriptorToSecurityDescriptorW(
                                  L"D:(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr),
                              "ConvertStringSecurityDescriptorToSecurityDescriptorW");
        const Win::UniqueHLocal owned(descriptor);
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        HKEY key = nullptr;
        const LONG created =
            RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, READ_CONTROL | WRITE_DAC, &attributes, &key, nullptr);
        if (created != ERROR_SUCCESS) throw Win::SystemCallException("RegCreateKeyExW", created);
        key_.reset(key);
    }
    ~ScopedKeyDenyingSetValue() {
        SECURITY_DESCRIPTOR open;
        InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);  // a null list allows everything
        RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, &open);
    }

private:
    Win::UniqueHKey key_;
};

// A download that has ended: `bytes` in the download file of the run's own
// folder in a fresh target folder, as the download thread leaves it, whose
// remote name is "orvinta-setup.exe", and a job that records under the key
// the case gives and starts the file with "--handed-off".
struct EndedDownload {
    ScratchFolder Folder;
    const ScopedSetupRecord Record{Folder.Path()};
    DownloadNames Names;
    Job Job;

    EndedDownload(const std::string& bytes, const std::wstring& registryKey) {
        Job.Url = L"http://127.0.0.1:9/files/ov3/orvinta-setup.exe";
        Names = CreateDownloadFolder(ChooseDownloadNames(Job.Url, Folder.Path() + L"target")).value();
        WriteFileBytes(Names.DownloadPath, bytes);
        Job.StartSetup = true;
        Job.SetupArguments = L"--handed-off";
        Job.RegistryKey = registryKey;
    }
    std::wstring FinalPath() const { return Names.RunFolder + L"orvinta-setup.exe"; }
};

// The registry result: only an existing key named with an exact root gets
// Done = 0 and FinalFileName (the setup's full path), and nothing else changes; every other key
// writes nothing; the file is moved to its final name in every case, and
// started after a result recorded and after one that could not be (this test
// program is not signed and has no pin: no publisher is required). The other
// rows' jobs do not start the file: the registry is their point.
TEST(HandOffTest, RegistryResultAndStartOfTheFile) {
    ScratchRegistryKey scratch;
    const std::wstring scratchPath = L"HKEY_CURRENT_USER\\" + scratch.SubKey();
    ScopedKeyDenyingSetValue denied(scratch.get(), L"Denied");
    const struct {
        const char* Label;
        std::wstring RegistryKey;
        bool Written;
        bool Started;
    } cases[] = {
        {"existing key", scratchPath, true, true},
        {"missing key", scratchPath + L"\\Missing", false, true},
        {"root in lower case", L"hkey_current_user\\" + scratch.SubKey(), false, false},
        {"key that denies setting values", scratchPath + L"\\Denied", false, false},
        {"the built-in job's 0", L"0", false, false},
        {"empty", L"", false, false},
    };
    const std::string kept = Bytes(L"kept", 10);
    const std::string setup = DemoSetupProgram();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        RegDeleteValueW(scratch.get(), L"Done");
        RegDeleteValueW(scratch.get(), L"FinalFileName");
        RegSetValueExW(scratch.get(), L"Other", 0, REG_SZ, reinterpret_cast<const BYTE*>(kept.data()), 10);
        EndedDownload download(setup, c.RegistryKey);
        download.Job.StartSetup = c.Started;
        HandOff(download.Job, download.Names, std::nullopt, nullptr);

        std::map<std::wstring, std::pair<DWORD, std::string>> expected{{L"Other", {REG_SZ, kept}}};
        if (c.Written) {
            const DWORD zero = 0;
            const std::wstring name = download.FinalPath();
            expected[L"Done"] = {REG_DWORD, Bytes(&zero, sizeof zero)};
            expected[L"FinalFileName"] = {REG_SZ, Bytes(name.c_str(), (name.size() + 1) * sizeof(wchar_t))};
        }
        EXPECT_EQ(ValuesOf(scratch.get()), expected);
        EXPECT_EQ(SubKeyCount(scratch.get()), 1u);  // Denied only: nothing was created
        EXPECT_EQ(FilesIn(download.Names.RunFolder), std::vector<std::wstring>{L"orvinta-setup.exe"});
        if (c.Started) {
            EXPECT_TRUE(SetupStartedAs(download.Record.Path(), download.FinalPath(), L"--handed-off"));
        }
    }
}

// With the test publisher required (as a build's pin): the publisher's setup
// gets Done and FinalFileName and is started; an unsigned one writes nothing,
// is deleted, is not started, and a message box names the required publisher
// in the user's language.
TEST(HandOffTest, RequiredPublisherRecordsAndStartsOnlyThePublishersSetup) {
    TrustSigningCertificateAuthority();
    const Publisher publisher{kTestPublisherOrganization, kTestPublisherCommonName};
    ScratchRegistryKey scratch;
    for (const bool accepted : {true, false}) {
        SCOPED_TRACE(accepted ? "publisher's setup" : "unsigned setup");
        RegDeleteValueW(scratch.get(), L"Done");
        RegDeleteValueW(scratch.get(), L"FinalFileName");
        EndedDownload download(FixtureSetupBytes(accepted ? "publisher" : "unsigned"),
                                L"HKEY_CURRENT_USER\\" + scratch.SubKey());
        auto shown = std::async(std::launch::async, [accepted] {
            return accepted ? std::nullopt : DismissMessageBox(GetCurrentProcessId(), 60000);
        });
        HandOff(download.Job, download.Names, publisher, nullptr);
        const auto texts = shown.get();

        EXPECT_EQ(RegQueryValueExW(scratch.get(), L"Done", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS,
                  accepted);
        EXPECT_EQ(RegQueryValueExW(scratch.get(), L"FinalFileName", nullptr, nullptr, nullptr, nullptr) ==
                      ERROR_SUCCESS,
                  accepted);
        EXPECT_FALSE(PathExists(download.Names.DownloadPath));
        if (accepted) {
            EXPECT_TRUE(SetupStartedAs(download.Record.Path(), download.FinalPath(), L"--handed-off"));
        } else {
            ASSERT_TRUE(texts) << "no message box";
            EXPECT_EQ(*texts, std::vector<std::wstring>{TestPublisherRefusalText(UserUiLanguage())});
            EXPECT_TRUE(LeftBehindIn(download.Names.TargetFolder).empty()) << "deleted with the run's folder";
            EXPECT_FALSE(ProcessRunning(L"orvinta-setup.exe"));
            EXPECT_FALSE(PathExists(download.Record.Path()));
        }
    }
}

// A final name that is already taken gets the next free one; the file that
// holds the name keeps its bytes.
TEST(HandOffTest, TakenFinalNameGetsTheNextFreeOne) {
    EndedDownload download(DemoSetupProgram(), L"");
    WriteFileBytes(download.FinalPath(), "older");
    HandOff(download.Job, download.Names, std::nullopt, nullptr);
    EXPECT_EQ(FilesIn(download.Names.RunFolder),
              (std::vector<std::wstring>{L"orvinta-setup.exe", L"orvinta-setup2.exe"}));
    EXPECT_EQ(ReadFileBytes(download.FinalPath()), "older");
    EXPECT_TRUE(SetupStartedAs(download.Record.Path(), download.Names.RunFolder + L"orvinta-setup2.exe",
                               L"--handed-off"));
}

// Another process holding the download file for a moment (as a security
// scanner does with a fresh executable) delays the hand-off, nothing more:
// held for 2 s the file is still moved and started. Held past the retries,
// the user gets the job's URL in the browser, the file is deleted once it is
// free, and nothing is started or recorded: never a silent end.
TEST(HandOffTest, DownloadHeldByAnotherProcess) {
    ScratchRegistryKey scratch;
    // This program's limit is the short one (seams/ShortHeldFileRetry.h). A
    // hold past it ends before the delete's own retries end at twice the limit.
    const DWORD limit = HeldFileRetryLimitMs();
    ASSERT_EQ(limit, kShortHeldFileRetryMs);
    for (const DWORD heldMs : {limit / 4, limit * 3 / 2}) {
        SCOPED_TRACE(heldMs);
        const bool started = heldMs < limit;
        const ScopedBrowserStub browser;
        EndedDownload download(DemoSetupProgram(), L"HKEY_CURRENT_USER\\" + scratch.SubKey());
        // A reader that lets others read and write, but not rename or delete.
        auto holder = std::make_shared<Win::UniqueFile>(CreateFileW(download.Names.DownloadPath.c_str(), GENERIC_READ,
            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(*holder);
        auto release = std::async(std::launch::async, [holder, heldMs] {
            Sleep(heldMs);
            holder->reset();
        });
        HandOff(download.Job, download.Names, std::nullopt, nullptr);
        release.get();

        if (started) {
            EXPECT_EQ(FilesIn(download.Names.RunFolder), std::vector<std::wstring>{L"orvinta-setup.exe"});
            EXPECT_TRUE(SetupStartedAs(download.Record.Path(), download.FinalPath(), L"--handed-off"));
            EXPECT_TRUE(browser.SettledUrls().empty());
        } else {
            EXPECT_TRUE(LeftBehindIn(download.Names.TargetFolder).empty())
                << "the held file is deleted once free, with the run's folder";
            EXPECT_EQ(browser.SettledUrls(), std::vector<std::wstring>{download.Job.Url});
            EXPECT_FALSE(PathExists(download.Record.Path())) << "nothing was started";
        }
        EXPECT_EQ(RegQueryValueExW(scratch.get(), L"Done", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS,
                  started);
        RegDeleteValueW(scratch.get(), L"Done");
        RegDeleteValueW(scratch.get(), L"FinalFileName");
    }
}

// Another process that tries to put something else under a file's name from
// the moment the hand-off records its result (which it does while it holds
// the checked file, before the start): it renames the file away at its first
// chance and writes a text in its place.
class FileSwapper {
public:
    // Watches `recordKey` (below HKEY_CURRENT_USER) for the result; from then
    // on swaps the file at `path`, moving it to `aside`.
    FileSwapper(const std::wstring& recordKey, std::wstring path, std::wstring aside)
        : path_(std::move(path)), aside_(std::move(aside)), recorded_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        HKEY key = nullptr;
        const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, recordKey.c_str(), 0, KEY_NOTIFY, &key);
        if (opened != ERROR_SUCCESS) throw Win::SystemCallException("RegOpenKeyExW", opened);
        key_.reset(key);
        // Armed on this thread, which lives on through the hand-off.
        const LONG armed = RegNotifyChangeKeyValue(key_.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, recorded_.get(), TRUE);
        if (armed != ERROR_SUCCESS) throw Win::SystemCallException("RegNotifyChangeKeyValue", armed);
        thread_ = std::thread([this] { Run(); });
    }
    FileSwapper(const FileSwapper&) = delete;
    FileSwapper& operator=(const FileSwapper&) = delete;
    ~FileSwapper() {
        stop_ = true;
        SetEvent(recorded_.get());
        thread_.join();
    }

    // Waits up to `timeoutMs` for the swap; tells whether it happened.
    bool WaitForTheSwap(DWORD timeoutMs) const {
        return WaitUntil([this] { return swapped_.load(); }, timeoutMs);
    }

private:
    void Run() {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
        WaitForSingleObject(recorded_.get(), INFINITE);
        while (!stop_) {
            if (MoveFileExW(path_.c_str(), aside_.c_str(), 0)) {
                WriteFileBytes(path_, "no program: the file checked was swapped before its start");
                swapped_ = true;
                return;
            }
        }
    }

    const std::wstring path_;
    const std::wstring aside_;
    Win::UniqueHandle recorded_;
    Win::UniqueHKey key_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> swapped_{false};
    std::thread thread_;
};

// The checked file stays held until the setup has been started: a process
// that tries to swap it from the moment the result is recorded (the file is
// held then) gets in only after the start, so the program started is the
// file that was checked.
TEST(HandOffTest, CheckedFileIsHeldUntilTheSetupIsStarted) {
    ScratchRegistryKey scratch;
    EndedDownload download(DemoSetupProgram(), L"HKEY_CURRENT_USER\\" + scratch.SubKey());
    FileSwapper swapper(scratch.SubKey(), download.FinalPath(), download.Folder.Path() + L"aside.exe");
    HandOff(download.Job, download.Names, std::nullopt, nullptr);
    EXPECT_TRUE(SetupStartedAs(download.Record.Path(), download.FinalPath(), L"--handed-off"));
    EXPECT_TRUE(swapper.WaitForTheSwap(20000)) << "the swap never happened, not even after the start";
}

// A file that is no setup program, or is named as another kind, is refused
// as an unsigned one is, also where no publisher is required: deleted,
// nothing recorded or started, no browser, and a message box that says so.
TEST(HandOffTest, OnlyASetupProgramIsStarted) {
    ScratchRegistryKey scratch;
    const struct {
        const char* Label;
        const wchar_t* RemoteName;
        std::string Bytes;
    } cases[] = {
        {"text named .exe", L"orvinta-setup.exe", "@echo off\r\nstart calc\r\n"},
        {"program named .hta", L"orvinta-setup.hta", DemoSetupProgram()},
        {"program named .url", L"orvinta-setup.url", DemoSetupProgram()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const ScopedBrowserStub browser;
        EndedDownload download(c.Bytes, L"HKEY_CURRENT_USER\\" + scratch.SubKey());
        download.Names.RemoteFileName = c.RemoteName;
        auto shown = std::async(std::launch::async, [] { return DismissMessageBox(GetCurrentProcessId(), 60000); });
        HandOff(download.Job, download.Names, std::nullopt, nullptr);
        const auto texts = shown.get();

        ASSERT_TRUE(texts) << "no message box";
        EXPECT_EQ(*texts, std::vector<std::wstring>{TestPublisherRefusalText(UserUiLanguage(), Refusal::NotASetup,
                                                                            false)});
        EXPECT_TRUE(LeftBehindIn(download.Names.TargetFolder).empty()) << "deleted with the run's folder";
        EXPECT_FALSE(PathExists(download.Record.Path())) << "nothing was started";
        EXPECT_NE(RegQueryValueExW(scratch.get(), L"Done", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_TRUE(browser.SettledUrls().empty());
    }
}

}  // namespace
