#include "win/Worker.h"

#include "win/Exception.h"

#include <process.h>

namespace Win {

Worker::Worker(std::function<void()> work) : work_(std::move(work)) {
    // _beginthreadex rather than CreateThread: the C run time sets up its
    // per-thread state for the new thread.
    handle_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Start, this, 0, nullptr)));
    ThrowLastErrorIf(!handle_, "_beginthreadex");
}

Worker::~Worker() { Join(); }

void Worker::Join() {
    if (joined_) return;
    const HANDLE thread = handle_.get();
    for (;;) {
        // QS_SENDMESSAGE: wake for messages sent by other threads only; the
        // posted ones stay queued for the loop.
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE, 0);
        if (result == WAIT_OBJECT_0) break;
        ThrowLastErrorIf(result != WAIT_OBJECT_0 + 1, "MsgWaitForMultipleObjectsEx");
        // Peeking delivers the messages other threads have sent to this one.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    joined_ = true;
}

unsigned __stdcall Worker::Start(void* self) {
    // noexcept in effect: an exception leaving a thread's start ends the process.
    static_cast<Worker*>(self)->work_();
    return 0;
}

}  // namespace Win
