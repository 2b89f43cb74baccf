#include "completion/HeldFileRetry.h"

// A scanner's look at a fresh executable takes well under a second; five
// outlast a slow one without keeping a user waiting on a file that stays held.
DWORD HeldFileRetryLimitMs() { return 5000; }
