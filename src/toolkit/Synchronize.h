// The bridge that lets a worker thread run code on the UI thread.
//
// The UI thread is the thread that ran the program's static initialisation
// (the process's main thread). A worker queues a call and waits; the UI thread
// runs queued calls whenever it dispatches messages (through a hidden
// message-only window) and whenever it waits in TThread::WaitFor.
#pragma once

#include <windows.h>

#include <functional>

namespace Toolkit {

// Returns the identifier of the UI thread.
DWORD MainThreadId();

// Returns true when the caller is the UI thread.
bool IsMainThread();

// Runs `method` on the UI thread and returns when it has run. On the UI
// thread it runs at once. An exception raised by `method` is raised again in
// the calling thread. Any thread.
void SynchronizeCall(const std::function<void()>& method);

// Runs every queued call, in the order they were queued. Returns true when
// it ran at least one. UI thread only.
bool CheckSynchronize();

// Returns the event that is signalled whenever a call is queued; a waiting UI
// thread includes it in its wait and runs CheckSynchronize when it fires.
HANDLE SyncEvent();

// Creates the hidden window that serves queued calls from the UI thread's
// message loops (modal loops included). UI thread only; later calls do nothing.
void EnsureSyncWindow();

}  // namespace Toolkit
