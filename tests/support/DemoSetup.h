// The project's stand-in setup program (demo-setup.exe) as a download of the
// test servers, and what it records when the updater starts it.
#pragma once

#include <windows.h>

#include <boost/noncopyable.hpp>

#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

// A copy of demo-setup.exe in the test servers' www folder under a name of
// this process's own, padded with zero bytes to `size` when that is larger
// (the program ignores them). nginx serves it as "/" + Name(); the fault
// server's "/held/" + Name() holds it back until Release(). Removed again,
// with the release mark, when destroyed.
class ScopedServedDemoSetup : boost::noncopyable {
public:
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

// Waits up to `timeoutMs` for the record the stand-in writes at `path` (it
// renames a finished record into place) and returns its lines: the program's
// path, its working folder and its argument tail, in UTF-8; nullopt when none came.
std::optional<std::vector<std::string>> WaitForSetupRecord(const std::wstring& path, unsigned long timeoutMs);

// Returns whether a process whose executable file is named `exeName` runs now.
bool ProcessRunning(const std::wstring& exeName);

}  // namespace TestSupport
