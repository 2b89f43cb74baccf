// A wait on the UI thread that keeps the windows responsive.
#pragma once

#include <windows.h>

// Dispatches every pending message of this thread and yields (Sleep(0)) until
// `milliseconds` have passed by `tickCount`. The elapsed time is the unsigned
// 32-bit difference of two readings, so a wrap of the tick count does not
// shorten or lengthen the wait. UI thread.
void WaitServingMessages(DWORD milliseconds, DWORD (*tickCount)() = GetTickCount);
