// The current user's trusted root certificates (under Wine, the prefix's CurrentUser\Root).
#pragma once

#include <string>

namespace TestSupport {

// Adds the DER-encoded certificate `der` to the current user's trusted roots,
// replacing an equal one; raises Win::SystemCallException when the store refuses.
void TrustRootCertificate(const std::string& der);

}  // namespace TestSupport
