// A worker thread that its owner on the UI thread can wait for without
// blocking the messages the worker sends to the UI thread's windows.
#pragma once

#include "win/Unique.h"

#include <atomic>
#include <exception>
#include <functional>

namespace Win {

// Owns one system thread that runs Execute. Made, started, waited for and
// destroyed on the UI thread; Terminate may be called from any thread.
//
// The thread is created suspended; the creator (usually the last line of a
// derived constructor) calls Start. When Execute has returned or raised,
// OnTerminate runs on the worker, then the thread ends. The worker reaches
// the UI thread only by posting or sending window messages.
//
// A derived class whose Execute uses the derived object's members must wait
// for the thread in its own destructor (StopAndWait), because those members
// are gone by the time this base destructor runs.
class TThread {
public:
    TThread();
    // Stops and waits for the thread as StopAndWait does, if it still runs.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Lets the thread run. Once.
    void Start();

    // Asks Execute to end; Execute polls Terminated(). Any thread.
    void Terminate() noexcept { terminated_ = true; }

    // Waits for the thread to end and returns its exit code. The wait keeps
    // delivering the messages other threads send to this thread's windows, so
    // a worker blocked in SendMessageW cannot deadlock its owner (a plain join
    // would).
    DWORD WaitFor();

    // Terminates, lets a suspended thread run, and waits as WaitFor does.
    void StopAndWait();

    // Runs on the worker after Execute has returned or raised.
    std::function<void(TThread&)> OnTerminate;

    bool Terminated() const noexcept { return terminated_; }
    bool Finished() const noexcept { return finished_; }
    HANDLE Handle() const noexcept { return handle_.get(); }

    // The exception that left Execute, if any. Read it after WaitFor.
    std::exception_ptr FatalException() const { return fatalException_; }

protected:
    // The thread's work. Runs on the worker thread.
    virtual void Execute() = 0;

private:
    static unsigned __stdcall ThreadProc(void* self);

    UniqueHandle handle_;
    unsigned threadId_ = 0;
    bool started_ = false;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::exception_ptr fatalException_;
};

}  // namespace Win
