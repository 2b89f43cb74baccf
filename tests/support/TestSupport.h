// Real files, real registry keys and real processes for the tests, each made
// fresh and removed again by its owner.
#pragma once

#include "win/Unique.h"

#include <boost/noncopyable.hpp>

#include <functional>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

// A fresh folder below the process's temporary folder, removed with its contents.
class ScratchFolder : boost::noncopyable {
public:
    ScratchFolder();
    ~ScratchFolder();
    // Returns the folder's path with a trailing "\".
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};

// Sets an environment variable of this process (nullopt removes it) and restores it.
class ScopedEnvironmentVariable : boost::noncopyable {
public:
    ScopedEnvironmentVariable(std::wstring name, const std::optional<std::wstring>& value);
    ~ScopedEnvironmentVariable();

private:
    std::wstring name_;
    std::optional<std::wstring> previous_;
};

// Points this process's temporary folder (TMP and TEMP) at `folder`.
class ScopedTempFolder : boost::noncopyable {
public:
    explicit ScopedTempFolder(const std::wstring& folder);

private:
    ScopedEnvironmentVariable tmp_;
    ScopedEnvironmentVariable temp_;
};

// Sets the current user's manual proxy (ProxyEnable, ProxyServer; nullopt
// removes the value) and restores the values found before.
class ScopedSystemProxy : boost::noncopyable {
public:
    ScopedSystemProxy(std::optional<unsigned long> enable, const std::optional<std::wstring>& server);
    ~ScopedSystemProxy();

private:
    Win::UniqueHKey key_;
    std::optional<unsigned long> oldEnable_;
    std::optional<std::wstring> oldServer_;
};

// A fresh key HKEY_CURRENT_USER\Software\UpdaterTests\<unique>, removed with its contents.
class ScratchRegistryKey : boost::noncopyable {
public:
    ScratchRegistryKey();
    ~ScratchRegistryKey();
    // Returns the key's path below HKEY_CURRENT_USER (no leading "\").
    const std::wstring& SubKey() const { return subKey_; }
    HKEY get() const { return key_.get(); }

private:
    std::wstring subKey_;
    Win::UniqueHKey key_;
};

std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string Utf8(const std::wstring& text);
// Converts UTF-8 to UTF-16 (invalid sequences become U+FFFD).
std::wstring FromUtf8(const std::string& text);

// Returns the names of the files (not folders) in `folder` (ending in "\"), sorted.
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// Removes a folder and everything in it; quiet when it is missing.
void RemoveTree(const std::wstring& path);

// Turns a Unix path into the Windows path Wine maps it to ("Z:\...").
std::wstring UnixToWindowsPath(const std::string& unixPath);

// The built updater.exe as a Windows path.
std::wstring UpdaterExePath();

// Runs `commandLine` with this process's environment changed by `environment`
// (an empty value removes a variable); returns the exit code, or -1 when it did
// not end within `timeoutMs` (it is then killed). `whileRunning`, when given,
// is called with the child's process id right after it has started.
long RunProcess(const std::wstring& commandLine, const std::map<std::wstring, std::wstring>& environment,
                unsigned long timeoutMs = 30000, const std::function<void(DWORD)>& whileRunning = nullptr);

// Runs a Unix shell command line (sh -c) from this Windows process and
// returns once it has finished, or false after 20 seconds. Wine starts Unix
// programs detached, so the command leaves a marker file when it is done.
// With `pumpMessages` this thread dispatches its messages while it waits.
bool RunUnixShell(const std::string& command, bool pumpMessages);

// Waits until `done` returns true or `timeoutMs` have passed, polling every
// 20 ms; returns done().
bool WaitUntil(const std::function<bool()>& done, unsigned long timeoutMs);

// The same, dispatching this thread's messages while it waits.
bool PumpUntil(const std::function<bool()>& done, unsigned long timeoutMs = 60000);

// Closes every visible top-level window of the toolkit's class that the
// process shows within `timeoutMs`; returns how many it closed (0 or 1).
int CloseToolkitWindowOf(DWORD processId, unsigned long timeoutMs);

// Returns this process's current folder (what a program it starts without
// naming a folder, directly or through the shell, gets as its own).
std::wstring CurrentFolder();

// Returns the display density the run was started with (UPDATER_TEST_DENSITY,
// set by tests/run-at-density.sh with the prefix's LogPixels), 96 unless told
// otherwise. Density runs compare what the code under test reports with it, so
// a LogPixels that did not take cannot repeat the 96 case unnoticed.
int StartedDensity();

}  // namespace TestSupport
