#include "support/TrickledRun.h"

#include "support/DemoSetup.h"
#include "support/Waits.h"

namespace TestSupport {

TrickledRun::TrickledRun(std::size_t padding, unsigned long bytesPerSecond)
    : Download(DemoSetupDownload(padding)), Server(ServerAnswer::Body(Download, bytesPerSecond)),
      ProxyOff(0ul, std::nullopt) {}

bool TrickledRun::WaitForBodyBytes(unsigned long long bytes) const {
    return WaitUntil([&] { return Server.BodyBytesSent() >= bytes; }, 20000);
}

}  // namespace TestSupport
