// How long a request may go without a byte before it fails.
#pragma once

namespace Net {

// Returns the idle limit of a client made without one, in milliseconds: 30 000.
// Defined alone in IdleLimit.cpp, so that a test build's executable can link a
// definition of its own ahead of the core library and wait seconds where the
// length of the wait is not what a test is about; the product has no switch.
unsigned long DefaultIdleLimitMs();

}  // namespace Net
