#include "MessageWait.h"

void WaitServingMessages(DWORD milliseconds, DWORD (*tickCount)()) {
    const DWORD start = tickCount();
    while (static_cast<DWORD>(tickCount() - start) < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(0);
    }
}
