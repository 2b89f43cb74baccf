// A stand-in for the user's web browser: Wine hands URLs opened through the
// shell to winebrowser, which runs the programs listed in
// HKCU\Software\Wine\WineBrowser "Browsers"; ours records each URL in a file.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace TestSupport {

// Installs the recording stub as the prefix's only browser and restores the
// previous setting. One at a time per prefix (a ctest resource lock).
class ScopedBrowserStub {
public:
    ScopedBrowserStub(const ScopedBrowserStub&) = delete;
    ScopedBrowserStub& operator=(const ScopedBrowserStub&) = delete;
    ScopedBrowserStub();
    ~ScopedBrowserStub();

    // Returns the URLs the stub has been given so far, in order.
    std::vector<std::wstring> OpenedUrls() const;

    // Waits (at most 20 s each) until no winebrowser.exe runs in this prefix
    // and no copy of the stub runs, then returns the URLs recorded. An URL
    // the shell was given before this call is then recorded, since the shell
    // has started winebrowser.exe by the time it returns.
    std::vector<std::wstring> SettledUrls() const;

private:
    std::string script_;  // Unix paths
    std::string record_;
    std::optional<std::wstring> previous_;
};

}  // namespace TestSupport
