// The thread class: Synchronize, the termination handler and the waits of the
// UI thread, which must keep serving the worker's calls.
#include "toolkit/Synchronize.h"
#include "toolkit/Thread.h"
#include "win/Exception.h"
#include "win/Unique.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using namespace Toolkit;

namespace {

// Calls back into the UI thread `rounds` times and counts the calls that ran there.
class RoundTripThread : public TThread {
public:
    explicit RoundTripThread(int rounds) : rounds_(rounds) {}
    ~RoundTripThread() override { StopAndWait(); }

    int onUiThread = 0;
    int elsewhere = 0;
    int completed = 0;

protected:
    void Execute() override {
        for (int i = 0; i < rounds_ && !Terminated(); ++i) {
            Synchronize([this] { (IsMainThread() ? onUiThread : elsewhere)++; });
            ++completed;
        }
    }

private:
    int rounds_;
};

// Thousands of round trips while the UI thread sits in WaitFor: all run on the
// UI thread, each in turn, and the wait ends.
TEST(ThreadTest, WaitForServesThousandsOfSynchronizeCalls) {
    RoundTripThread thread(5000);
    bool terminatedOnUiThread = false;
    thread.OnTerminate = [&](TThread&) { terminatedOnUiThread = IsMainThread(); };
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(thread.onUiThread, 5000);
    EXPECT_EQ(thread.elsewhere, 0);
    EXPECT_EQ(thread.completed, 5000);
    EXPECT_TRUE(terminatedOnUiThread);
    EXPECT_TRUE(thread.Finished());
}

// The same harness with a plain join: the worker stays blocked in its first
// Synchronize and the join times out (the deadlock WaitFor exists to avoid);
// WaitFor then serves the pending call and the thread ends.
TEST(ThreadTest, PlainJoinDeadlocksWhereWaitForDoesNot) {
    RoundTripThread thread(3);
    thread.Start();
    EXPECT_EQ(WaitForSingleObject(thread.Handle(), 1500), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(thread.completed, 0);
    EXPECT_EQ(thread.onUiThread, 0);
    thread.WaitFor();
    EXPECT_EQ(thread.onUiThread, 3);
    EXPECT_EQ(WaitForSingleObject(thread.Handle(), 0), WAIT_OBJECT_0);
}

// The destructor waits the same way: destroying a thread in the middle of its
// round trips stops it without a deadlock and runs the termination handler.
TEST(ThreadTest, DestructorStopsAndServesWhileWaiting) {
    int terminations = 0;
    {
        RoundTripThread thread(1000000);
        thread.OnTerminate = [&](TThread& t) { terminations += t.Terminated() ? 1 : 100; };
        thread.Start();
        while (thread.onUiThread < 100) {
            WaitForSingleObject(SyncEvent(), 1000);
            CheckSynchronize();
        }
    }
    EXPECT_EQ(terminations, 1);
}

// Deletes itself and reports its destruction.
class SelfFreeingThread : public TThread {
public:
    explicit SelfFreeingThread(std::atomic<bool>& destroyed) : destroyed_(destroyed) { FreeOnTerminate = true; }
    ~SelfFreeingThread() override { destroyed_ = true; }

protected:
    void Execute() override { Synchronize([] {}); }

private:
    std::atomic<bool>& destroyed_;
};

// A FreeOnTerminate thread runs its handler through the UI thread's ordinary
// message loop (the hidden window) and then deletes itself.
TEST(ThreadTest, FreeOnTerminateThreadIsServedByTheMessageLoopAndDeletesItself) {
    std::atomic<bool> destroyed{false};
    bool handlerOnUiThread = false;
    auto* thread = new SelfFreeingThread(destroyed);
    thread->OnTerminate = [&](TThread&) {
        handlerOnUiThread = IsMainThread();
        PostQuitMessage(0);
    };
    thread->Start();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    EXPECT_TRUE(handlerOnUiThread);
    for (int i = 0; i < 500 && !destroyed; ++i) Sleep(10);
    EXPECT_TRUE(destroyed);
}

class FailingThread : public TThread {
protected:
    void Execute() override {
        Synchronize([] { throw Win::Exception(L"raised on the UI thread"); });
    }
};

// An error raised by a synchronized call reaches the worker; an error leaving
// Execute is kept as FatalException and the termination handler still runs.
TEST(ThreadTest, ErrorsTravelBackToTheWorkerAndEndExecute) {
    FailingThread thread;
    bool terminated = false;
    thread.OnTerminate = [&](TThread&) { terminated = true; };
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(terminated);
    ASSERT_TRUE(thread.FatalException());
    try {
        std::rethrow_exception(thread.FatalException());
    } catch (const Win::Exception& error) {
        EXPECT_EQ(error.Message(), L"raised on the UI thread");
    }
}

// On the UI thread Synchronize runs the call at once, before it returns.
TEST(ThreadTest, SynchronizeOnTheUiThreadRunsAtOnce) {
    ASSERT_TRUE(IsMainThread());
    int calls = 0;
    SynchronizeCall([&] { ++calls; });
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(CheckSynchronize());
}

// The priority switch reaches the system thread and reads back.
TEST(ThreadTest, PriorityIsTheSystemThreadsPriority) {
    RoundTripThread thread(0);
    for (TThreadPriority priority : {TThreadPriority::tpLower, TThreadPriority::tpHigher, TThreadPriority::tpNormal}) {
        thread.SetPriority(priority);
        EXPECT_EQ(thread.Priority(), priority);
    }
    EXPECT_EQ(GetThreadPriority(thread.Handle()), THREAD_PRIORITY_NORMAL);
    thread.SetPriority(TThreadPriority::tpLowest);
    EXPECT_EQ(GetThreadPriority(thread.Handle()), THREAD_PRIORITY_LOWEST);
    thread.Start();
    thread.WaitFor();
}

// Counts WM_APP messages sent to a message-only window of the UI thread.
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        ++*reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return IsMainThread() ? 1 : 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class SendingThread : public TThread {
public:
    explicit SendingThread(HWND window) : window_(window) {}
    ~SendingThread() override { StopAndWait(); }
    int answered = 0;

protected:
    void Execute() override {
        for (int i = 0; i < 500; ++i) answered += static_cast<int>(SendMessageW(window_, WM_APP, 0, 0));
    }

private:
    HWND window_;
};

// Messages a worker sends to the UI thread's windows are delivered while the
// UI thread waits in WaitFor (a worker blocked in SendMessage cannot deadlock it).
TEST(ThreadTest, WaitForDeliversMessagesSentByTheWorker) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ThreadTestCounter";
    RegisterClassExW(&windowClass);
    const Win::UniqueHWnd window(CreateWindowExW(0, L"ThreadTestCounter", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                 windowClass.hInstance, nullptr));
    ASSERT_TRUE(window);
    int received = 0;
    SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received));
    SendingThread thread(window.get());
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(received, 500);
    EXPECT_EQ(thread.answered, 500);
}

}  // namespace
