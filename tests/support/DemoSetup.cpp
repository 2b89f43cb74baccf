#include "support/DemoSetup.h"

#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/TestServers.h"
#include "support/Utf8.h"
#include "support/Waits.h"
#include "files/FilePaths.h"
#include "win/Unique.h"

#include <shellapi.h>

#include <atomic>
#include <sstream>

namespace TestSupport {

namespace {

// Returns the lines as GoogleTest prints a vector of their UTF-8 texts.
std::string Printed(const std::vector<std::wstring>& lines) {
    std::vector<std::string> texts;
    for (const std::wstring& line : lines) texts.push_back(Utf8(line));
    return ::testing::PrintToString(texts);
}

}  // namespace

std::string DemoSetupProgram() { return ReadFileBytes(UnixToWindowsPath(DEMO_SETUP_UNIX_PATH)); }

std::string DemoSetupDownload(std::size_t padding) {
    return DemoSetupProgram() + PatternBody(padding);
}

ScopedServedDemoSetup::ScopedServedDemoSetup(size_t size) {
    static std::atomic<int> count{0};
    name_ = L"setup-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count) + L".exe";
    path_ = TestServers::Instance().File("www/" + Utf8(name_));
    std::string bytes = DemoSetupProgram();
    if (bytes.size() < size) bytes.resize(size, '\0');
    size_ = bytes.size();
    // A release left by an earlier process with the same id must not let this one go at once.
    DeleteFileW((path_ + L".release").c_str());
    WriteFileBytes(path_, bytes);
}

ScopedServedDemoSetup::~ScopedServedDemoSetup() {
    DeleteFileW((path_ + L".release").c_str());
    DeleteFileW(path_.c_str());
}

void ScopedServedDemoSetup::Release() const { WriteFileBytes(path_ + L".release", ""); }

ScopedSetupRecord::ScopedSetupRecord(const std::wstring& folder)
    : path_(folder + L"setup-record.txt"), variable_(L"DEMO_SETUP_RECORD", path_) {}

std::vector<std::wstring> ArgumentsOfTail(const std::wstring& tail) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW((L"setup.exe " + tail).c_str(), &count);
    const Win::UniqueHLocal owner(argv);
    return std::vector<std::wstring>(argv + 1, argv + count);
}

std::optional<std::vector<std::wstring>> WaitForSetupRecord(const std::wstring& path, unsigned long timeoutMs) {
    if (!WaitUntil([&path] { return FileExists(path); }, timeoutMs)) return std::nullopt;
    std::vector<std::wstring> lines;
    std::istringstream record(ReadFileBytes(path));
    for (std::string line; std::getline(record, line);) lines.push_back(FromUtf8(line));
    return lines;
}

::testing::AssertionResult SetupStartedAs(const std::wstring& recordPath, const std::wstring& program,
                                          const std::wstring& arguments) {
    const auto lines = WaitForSetupRecord(recordPath, 20000);
    if (!lines) return ::testing::AssertionFailure() << "the setup program was not started";
    const std::vector<std::wstring> expected{program, ParentFolder(program), arguments};
    if (*lines != expected)
        return ::testing::AssertionFailure() << "the setup program recorded " << Printed(*lines) << " instead of "
                                             << Printed(expected);
    return ::testing::AssertionSuccess();
}

}  // namespace TestSupport
