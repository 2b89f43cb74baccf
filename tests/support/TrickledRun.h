// A run of updater.exe whose download takes a while, for tests that act on
// its window during the transfer.
#pragma once

#include "support/BrowserStub.h"
#include "support/BuiltInUrlServer.h"
#include "support/Processes.h"
#include "support/SystemSettings.h"

#include <cstddef>
#include <string>

namespace TestSupport {

// The server on the built-in URL's port trickles the stand-in setup program
// with `padding` bytes appended at `bytesPerSecond`; the system proxy is off
// and the browser stub in place.
struct TrickledRun : UpdaterRun {
    TrickledRun(std::size_t padding, unsigned long bytesPerSecond);

    // Waits up to 20 s until the server has sent at least `bytes` of body; returns whether it has.
    bool WaitForBodyBytes(unsigned long long bytes) const;

    const std::string Download;
    BuiltInUrlServer Server;
    const ScopedSystemProxy ProxyOff;
    const ScopedBrowserStub Browser;
};

}  // namespace TestSupport
