// The project's stand-in setup program (demo-setup.exe) as a download of the
// test servers, and what it records when the updater starts it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "support/SystemSettings.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

// Returns the bytes of build/demo-setup.exe.
std::string DemoSetupProgram();

// Returns build/demo-setup.exe with `padding` bytes appended: the same
// program, a larger download.
std::string DemoSetupDownload(std::size_t padding);

// A copy of demo-setup.exe in the test servers' www folder under a name of
// this process's own, padded with zero bytes to `size` when that is larger
// (the program ignores them). nginx serves it as "/" + Name(); the fault
// server's "/held/" + Name() holds it back until Release(). Removed again,
// with the release mark, when destroyed.
class ScopedServedDemoSetup {
public:
    ScopedServedDemoSetup(const ScopedServedDemoSetup&) = delete;
    ScopedServedDemoSetup& operator=(const ScopedServedDemoSetup&) = delete;
    explicit ScopedServedDemoSetup(size_t size = 0);
    ~ScopedServedDemoSetup();
    const std::wstring& Name() const noexcept { return name_; }
    size_t Size() const noexcept { return size_; }
    // Lets the fault server send the rest of a held download.
    void Release() const;

private:
    std::wstring name_;
    std::wstring path_;  // Windows path in the www folder
    size_t size_ = 0;
};

// Where a started stand-in records itself: the file `folder` + "setup-record.txt",
// named by DEMO_SETUP_RECORD in this process's environment, which the
// updater passes on to the programs it starts.
class ScopedSetupRecord {
public:
    ScopedSetupRecord(const ScopedSetupRecord&) = delete;
    ScopedSetupRecord& operator=(const ScopedSetupRecord&) = delete;
    explicit ScopedSetupRecord(const std::wstring& folder);
    const std::wstring& Path() const noexcept { return path_; }

private:
    std::wstring path_;
    ScopedEnvironmentVariable variable_;
};

// Waits up to `timeoutMs` for the record the stand-in writes at `path` (it
// renames a finished record into place) and returns its lines: the program's
// path, its working folder and its argument tail; nullopt when none came.
std::optional<std::vector<std::wstring>> WaitForSetupRecord(const std::wstring& path, unsigned long timeoutMs);

// Returns the arguments a program started with the command-line `tail`
// after its own name sees: the platform's splitting (CommandLineToArgvW).
std::vector<std::wstring> ArgumentsOfTail(const std::wstring& tail);

// Succeeds when the stand-in's record appears at `recordPath` within 20 s
// and names `program` as its path, the folder that holds it as its working
// folder (the updater starts a setup in the run's own folder) and
// `arguments` as its argument tail.
::testing::AssertionResult SetupStartedAs(const std::wstring& recordPath, const std::wstring& program,
                                          const std::wstring& arguments);

}  // namespace TestSupport
