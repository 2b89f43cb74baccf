#include "win/Thread.h"

#include "win/Exception.h"

#include <process.h>

namespace Win {

TThread::TThread() {
    // _beginthreadex rather than CreateThread: the C run time sets up its
    // per-thread state for the new thread.
    handle_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &threadId_)));
    ThrowLastErrorIf(!handle_, "_beginthreadex");
}

TThread::~TThread() { StopAndWait(); }

void TThread::Start() {
    if (started_) return;
    started_ = true;
    ResumeThread(handle_.get());
}

void TThread::StopAndWait() {
    Terminate();
    Start();
    WaitFor();
}

DWORD TThread::WaitFor() {
    const HANDLE thread = handle_.get();
    for (;;) {
        // QS_SENDMESSAGE: wake for messages sent by other threads only; the
        // posted ones stay queued for the loop.
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE, 0);
        if (result == WAIT_OBJECT_0) break;
        if (result != WAIT_OBJECT_0 + 1) ThrowLastErrorIf(true, "MsgWaitForMultipleObjectsEx");
        // Peeking delivers the messages other threads have sent to this one.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    return code;
}

unsigned __stdcall TThread::ThreadProc(void* parameter) {
    TThread* self = static_cast<TThread*>(parameter);
    if (!self->terminated_) {
        try {
            self->Execute();
        } catch (...) {
            self->fatalException_ = std::current_exception();
        }
    }
    if (self->OnTerminate) {
        try {
            self->OnTerminate(*self);
        } catch (...) {
            if (!self->fatalException_) self->fatalException_ = std::current_exception();
        }
    }
    self->finished_ = true;
    return 0;
}

}  // namespace Win
