#include "support/DemoSetup.h"

#include "support/TestServers.h"
#include "support/TestSupport.h"

#include <tlhelp32.h>

#include <atomic>
#include <sstream>

namespace TestSupport {

namespace {

// Waits up to `timeoutMs` for the record the stand-in writes at `path` (it
// renames a finished record into place) and returns its lines: the program's
// path, its working folder and its argument tail, in UTF-8; nullopt when none came.
std::optional<std::vector<std::string>> WaitForSetupRecord(const std::wstring& path, unsigned long timeoutMs) {
    if (!WaitUntil([&path] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs))
        return std::nullopt;
    std::vector<std::string> lines;
    std::istringstream record(ReadFileBytes(path));
    for (std::string line; std::getline(record, line);) lines.push_back(line);
    return lines;
}

}  // namespace

ScopedServedDemoSetup::ScopedServedDemoSetup(size_t size) {
    static std::atomic<int> count{0};
    name_ = L"setup-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count) + L".exe";
    path_ = TTestServers::Instance().File("www/" + Utf8(name_));
    std::string bytes = ReadFileBytes(UnixToWindowsPath(DEMO_SETUP_UNIX_PATH));
    if (bytes.size() < size) bytes.resize(size, '\0');
    size_ = bytes.size();
    WriteFileBytes(path_, bytes);
}

ScopedServedDemoSetup::~ScopedServedDemoSetup() {
    DeleteFileW((path_ + L".release").c_str());
    DeleteFileW(path_.c_str());
}

void ScopedServedDemoSetup::Release() const { WriteFileBytes(path_ + L".release", ""); }

ScopedSetupRecord::ScopedSetupRecord(const std::wstring& folder)
    : path_(folder + L"setup-record.txt"), variable_(L"DEMO_SETUP_RECORD", path_) {}

::testing::AssertionResult SetupStartedAs(const std::wstring& recordPath, const std::wstring& program,
                                          const std::wstring& arguments) {
    const auto lines = WaitForSetupRecord(recordPath, 20000);
    if (!lines) return ::testing::AssertionFailure() << "the setup program was not started";
    const std::vector<std::string> expected{Utf8(program), Utf8(CurrentFolder()), Utf8(arguments)};
    if (*lines != expected)
        return ::testing::AssertionFailure() << "the setup program recorded " << ::testing::PrintToString(*lines)
                                             << " instead of " << ::testing::PrintToString(expected);
    return ::testing::AssertionSuccess();
}

bool ProcessRunning(const std::wstring& exeName) {
    // A failed snapshot is INVALID_HANDLE_VALUE, as for files.
    const Win::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, exeName.c_str()) == 0) return true;
    }
    return false;
}

}  // namespace TestSupport
