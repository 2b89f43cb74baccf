// A worker thread whose owner on the UI thread can wait for it without
// blocking the calls the worker makes to the UI thread.
#pragma once

#include "win/Unique.h"

#include <boost/noncopyable.hpp>

#include <atomic>
#include <exception>
#include <functional>

namespace Toolkit {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Owns one system thread that runs Execute. Made, started, waited for and
// destroyed on the UI thread (or with FreeOnTerminate, destroyed by itself);
// Terminate may be called from any thread.
//
// The thread is created suspended; the creator (usually the last line of a
// derived constructor) calls Start. When Execute returns, OnTerminate runs on
// the UI thread through Synchronize, then the thread ends (and, with
// FreeOnTerminate, deletes its object).
//
// A derived class whose Execute uses the derived object's members must wait
// for the thread in its own destructor (StopAndWait), because those members
// are gone by the time this base destructor runs.
class TThread : boost::noncopyable {
public:
    TThread();
    // Stops and waits for the thread as StopAndWait does, if it still runs.
    virtual ~TThread();

    // Lets the thread run. Once.
    void Start();

    // Asks Execute to end; Execute polls Terminated(). Any thread.
    void Terminate() noexcept { terminated_ = true; }

    // Waits for the thread to end and returns its exit code. On the UI thread
    // the wait keeps running Synchronize calls (the termination handler among
    // them) and sent messages, so a worker that needs the UI thread cannot
    // deadlock its owner. Not for FreeOnTerminate threads.
    DWORD WaitFor();

    // Terminates, lets a suspended thread run, and waits as WaitFor does.
    void StopAndWait();

    void SetPriority(TThreadPriority priority);
    TThreadPriority Priority() const;

    // Deletes this object on the worker thread once OnTerminate has run.
    // Set before Start.
    bool FreeOnTerminate = false;

    // Runs on the UI thread after Execute has returned or raised.
    std::function<void(TThread&)> OnTerminate;

    bool Terminated() const noexcept { return terminated_; }
    bool Finished() const noexcept { return finished_; }
    HANDLE Handle() const noexcept { return handle_.get(); }
    DWORD ThreadID() const noexcept { return threadId_; }

    // The exception that left Execute, if any.
    std::exception_ptr FatalException() const { return fatalException_; }

protected:
    // The thread's work. Runs on the worker thread.
    virtual void Execute() = 0;

    // Runs `method` on the UI thread and waits for it; at once on the UI thread.
    static void Synchronize(const std::function<void()>& method);

private:
    static unsigned __stdcall ThreadProc(void* self);

    Win::UniqueHandle handle_;
    unsigned threadId_ = 0;
    bool started_ = false;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::exception_ptr fatalException_;
};

}  // namespace Toolkit
