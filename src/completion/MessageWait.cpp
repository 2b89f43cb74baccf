#include "completion/MessageWait.h"

void WaitServingMessages(DWORD milliseconds, DWORD (*tickCount)()) {
    const DWORD start = tickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const DWORD elapsed = tickCount() - start;
        if (elapsed >= milliseconds) return;
        // Sleeps until a message comes or the time left is over. With
        // MWMO_INPUTAVAILABLE a message already in the queue also ends the
        // wait, not only one that is new since the last look (per the
        // MsgWaitForMultipleObjectsEx documentation).
        MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}
