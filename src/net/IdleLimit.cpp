#include "net/IdleLimit.h"

namespace Net {

// Wine's WinINet has no receive time-out of its own in asynchronous mode: a
// stalled server would be waited for ever. Half a minute outlasts any pause of
// a working server; a link slower than one byte in 30 s is no link.
unsigned long DefaultIdleLimitMs() { return 30000; }

}  // namespace Net
