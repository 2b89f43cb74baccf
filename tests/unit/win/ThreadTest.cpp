// The worker thread and the UI thread's waits for it, which must keep
// delivering the messages the worker sends to the UI thread's windows.
#include "win/Thread.h"

#include "win/Exception.h"
#include "win/Unique.h"

#include <gtest/gtest.h>

#include <atomic>

using Win::TThread;

namespace {

const DWORD kUiThread = GetCurrentThreadId();

// A message-only window of the UI thread that answers WM_APP with 1 when it
// runs on the UI thread and counts the messages it was sent.
class CountingWindow {
public:
    CountingWindow() {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"ThreadTestCounter";
        RegisterClassExW(&windowClass);  // fails harmlessly once registered
        window_.reset(CreateWindowExW(0, L"ThreadTestCounter", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      windowClass.hInstance, nullptr));
        Win::ThrowLastErrorIf(!window_, "CreateWindowExW");
        SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received));
    }
    HWND Handle() const { return window_.get(); }
    std::atomic<int> received{0};

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_APP) return DefWindowProcW(window, message, wParam, lParam);
        ++*reinterpret_cast<std::atomic<int>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return GetCurrentThreadId() == kUiThread ? 1 : 0;
    }
    Win::UniqueHWnd window_;
};

// Sends WM_APP to a UI-thread window `rounds` times (each a round trip
// through the UI thread) and counts the answers from the UI thread.
class SendingThread : public TThread {
public:
    SendingThread(HWND window, int rounds) : window_(window), rounds_(rounds) {}
    ~SendingThread() override { StopAndWait(); }
    std::atomic<int> answered{0};

protected:
    void Execute() override {
        for (int i = 0; i < rounds_ && !Terminated(); ++i)
            answered += static_cast<int>(SendMessageW(window_, WM_APP, 0, 0));
    }

private:
    HWND window_;
    int rounds_;
};

// Thousands of round trips while the UI thread sits in WaitFor: all are
// answered on the UI thread, each in turn, and the wait ends; the termination
// handler runs on the worker once Execute has returned.
TEST(ThreadTest, WaitForDeliversThousandsOfSentMessages) {
    CountingWindow window;
    SendingThread thread(window.Handle(), 5000);
    DWORD terminatedOn = 0;
    thread.OnTerminate = [&](TThread&) { terminatedOn = GetCurrentThreadId(); };
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(window.received, 5000);
    EXPECT_EQ(thread.answered, 5000);
    EXPECT_NE(terminatedOn, 0u);
    EXPECT_NE(terminatedOn, kUiThread);
    EXPECT_TRUE(thread.Finished());
}

// The same harness with a plain join: the worker stays blocked in its first
// SendMessageW and the join times out (the deadlock WaitFor exists to avoid);
// WaitFor then delivers the pending message and the thread ends.
TEST(ThreadTest, PlainJoinDeadlocksWhereWaitForDoesNot) {
    CountingWindow window;
    SendingThread thread(window.Handle(), 3);
    thread.Start();
    EXPECT_EQ(WaitForSingleObject(thread.Handle(), 1500), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(window.received, 0);
    thread.WaitFor();
    EXPECT_EQ(window.received, 3);
    EXPECT_EQ(WaitForSingleObject(thread.Handle(), 0), WAIT_OBJECT_0);
}

// The destructor waits the same way: destroying a thread in the middle of its
// round trips stops it without a deadlock and runs the termination handler.
TEST(ThreadTest, DestructorStopsAndServesWhileWaiting) {
    CountingWindow window;
    std::atomic<int> terminations{0};
    {
        SendingThread thread(window.Handle(), 1000000);
        thread.OnTerminate = [&](TThread& t) { terminations += t.Terminated() ? 1 : 100; };
        thread.Start();
        MSG message;
        while (window.received < 100) {
            MsgWaitForMultipleObjectsEx(0, nullptr, 1000, QS_SENDMESSAGE, 0);
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        }
    }
    EXPECT_EQ(terminations, 1);
}

class FailingThread : public TThread {
public:
    ~FailingThread() override { StopAndWait(); }

protected:
    void Execute() override { throw Win::Exception(L"raised on the worker"); }
};

// An error leaving Execute is kept as FatalException and the termination
// handler still runs.
TEST(ThreadTest, ErrorEndsExecuteAndIsKept) {
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
        EXPECT_EQ(error.Message(), L"raised on the worker");
    }
}

// Records whether its work ran.
class RecordingThread : public TThread {
public:
    explicit RecordingThread(bool& ran) : ran_(ran) {}
    ~RecordingThread() override { StopAndWait(); }

protected:
    void Execute() override { ran_ = true; }

private:
    bool& ran_;
};

// A thread stopped before it started never runs Execute; its handler runs.
TEST(ThreadTest, StoppedBeforeTheStartRunsNoWork) {
    bool ran = false, terminated = false;
    {
        RecordingThread thread(ran);
        thread.OnTerminate = [&](TThread&) { terminated = true; };
    }
    EXPECT_TRUE(terminated);
    EXPECT_FALSE(ran);
}

}  // namespace
