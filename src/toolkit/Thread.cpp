#include "toolkit/Thread.h"

#include "toolkit/Synchronize.h"
#include "win/Exception.h"

#include <process.h>

namespace Toolkit {

namespace {

const int SystemPriorities[] = {
    THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
    THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL,
};

}  // namespace

TThread::TThread() {
    EnsureSyncWindow();
    // _beginthreadex rather than CreateThread: the C run time sets up its
    // per-thread state for the new thread.
    handle_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &threadId_)));
    Win::ThrowLastErrorIf(!handle_, "_beginthreadex");
}

TThread::~TThread() {
    // The worker deletes a FreeOnTerminate object itself, after its last use of it.
    if (GetCurrentThreadId() != threadId_) StopAndWait();
}

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
    if (IsMainThread()) {
        const HANDLE handles[] = {thread, SyncEvent()};
        for (;;) {
            const DWORD result = MsgWaitForMultipleObjectsEx(2, handles, INFINITE, QS_SENDMESSAGE, 0);
            if (result == WAIT_OBJECT_0) break;
            if (result == WAIT_OBJECT_0 + 1) {
                CheckSynchronize();
            } else if (result == WAIT_OBJECT_0 + 2) {
                // Peeking delivers the messages other threads have sent to this one.
                MSG message;
                PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
            } else {
                Win::ThrowLastErrorIf(true, "MsgWaitForMultipleObjectsEx");
            }
        }
    } else {
        WaitForSingleObject(thread, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    return code;
}

void TThread::SetPriority(TThreadPriority priority) {
    Win::ThrowLastErrorIf(!SetThreadPriority(handle_.get(), SystemPriorities[static_cast<int>(priority)]),
                          "SetThreadPriority");
}

TThreadPriority TThread::Priority() const {
    const int value = GetThreadPriority(handle_.get());
    for (int i = 0; i < 7; ++i)
        if (SystemPriorities[i] == value) return static_cast<TThreadPriority>(i);
    return TThreadPriority::tpNormal;
}

void TThread::Synchronize(const std::function<void()>& method) { SynchronizeCall(method); }

unsigned __stdcall TThread::ThreadProc(void* parameter) {
    TThread* self = static_cast<TThread*>(parameter);
    if (!self->terminated_) {
        try {
            self->Execute();
        } catch (...) {
            self->fatalException_ = std::current_exception();
        }
    }
    // Read before the termination handler: the handler may change it, and
    // with it set nobody else may touch the object once it is finished.
    const bool freeOnTerminate = self->FreeOnTerminate;
    if (self->OnTerminate) {
        try {
            SynchronizeCall([self] { self->OnTerminate(*self); });
        } catch (...) {
            if (!self->fatalException_) self->fatalException_ = std::current_exception();
        }
    }
    self->finished_ = true;
    if (freeOnTerminate) delete self;
    return 0;
}

}  // namespace Toolkit
