// A worker thread that its owner on the UI thread can join without blocking
// the messages the worker sends to the UI thread's windows.
#pragma once

#include "win/Unique.h"

#include <functional>

namespace Win {

// Owns one system thread that runs a function, started at construction.
// Joined (and destroyed) on the UI thread; the worker reaches the UI thread
// only by posting or sending window messages. The function must not throw:
// an exception that leaves it ends the process (std::terminate), as it would
// leave any thread's start routine.
class Worker {
public:
    explicit Worker(std::function<void()> work);
    // Joins the thread if that has not been done.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Waits for the function to return. The wait keeps delivering the
    // messages other threads send to this thread's windows, so a worker
    // blocked in SendMessageW cannot deadlock its owner (a plain join would).
    void Join();

    HANDLE Handle() const noexcept { return handle_.get(); }

private:
    static unsigned __stdcall Start(void* self);

    std::function<void()> work_;
    UniqueHandle handle_;
    bool joined_ = false;
};

}  // namespace Win
