#include "support/BrowserStub.h"

#include "support/Processes.h"
#include "support/ScratchFiles.h"
#include "support/Waits.h"
#include "win/Exception.h"

#include <windows.h>

#include <sstream>
#include <stdexcept>

namespace TestSupport {

namespace {

const wchar_t kBrowserKey[] = L"Software\\Wine\\WineBrowser";

std::optional<std::wstring> ReadBrowsers() {
    wchar_t value[1024];
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kBrowserKey, L"Browsers", RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

void WriteBrowsers(const std::optional<std::wstring>& browsers) {
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(HKEY_CURRENT_USER, kBrowserKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) throw std::runtime_error("RegCreateKeyExW WineBrowser: error " + std::to_string(status));
    const Win::UniqueHKey owner(key);
    if (!browsers) {
        RegDeleteValueW(key, L"Browsers");
        return;
    }
    RegSetValueExW(key, L"Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(browsers->c_str()),
                   static_cast<DWORD>((browsers->size() + 1) * sizeof(wchar_t)));
}

}  // namespace

ScopedBrowserStub::ScopedBrowserStub() : previous_(ReadBrowsers()) {
    const std::string stem = UniqueUnixName(std::string(TEST_SERVERS_DIR) + "/browser");
    script_ = stem + ".sh";
    record_ = stem + ".urls";
    WriteFileBytes(UnixToWindowsPath(script_), "#!/bin/sh\nprintf '%s\\n' \"$1\" >>'" + record_ + "'\n");
    if (!RunUnixShell("chmod +x '" + script_ + "'", false)) throw std::runtime_error("chmod of the browser stub");
    WriteBrowsers(std::wstring(script_.begin(), script_.end()));
}

ScopedBrowserStub::~ScopedBrowserStub() {
    WriteBrowsers(previous_);
    DeleteFileW(UnixToWindowsPath(script_).c_str());
    DeleteFileW(UnixToWindowsPath(record_).c_str());
}

std::vector<std::wstring> ScopedBrowserStub::OpenedUrls() const {
    std::vector<std::wstring> urls;
    const std::wstring path = UnixToWindowsPath(record_);
    if (!FileExists(path)) return urls;
    std::istringstream lines(ReadFileBytes(path));
    for (std::string line; std::getline(lines, line);) urls.emplace_back(line.begin(), line.end());
    return urls;
}

std::vector<std::wstring> ScopedBrowserStub::SettledUrls() const {
    if (!WaitUntil([] { return !ProcessRunning(L"winebrowser.exe"); }, 20000))
        throw std::runtime_error("winebrowser.exe did not end");
    // winebrowser starts the stub without waiting for it. The bracket keeps
    // pgrep from matching the shell that runs this loop.
    const std::string pattern = "[" + script_.substr(0, 1) + "]" + script_.substr(1);
    if (!RunUnixShell("for i in $(seq 1500); do pgrep -f '" + pattern + "' >/dev/null || break; sleep 0.01; done",
                      false))
        throw std::runtime_error("the browser stub did not end");
    return OpenedUrls();
}

}  // namespace TestSupport
