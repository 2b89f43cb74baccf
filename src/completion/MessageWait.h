// A wait on the UI thread that keeps the windows responsive.
#pragma once

#include <windows.h>

// Dispatches this thread's messages as they come until `milliseconds` have
// passed by `tickCount`, sleeping in between (no busy loop). The elapsed time
// is the unsigned 32-bit difference of two readings, so a wrap of the tick
// count does not shorten or lengthen the wait. UI thread.
void WaitServingMessages(DWORD milliseconds, DWORD (*tickCount)() = GetTickCount);
