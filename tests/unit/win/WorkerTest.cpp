// The worker thread and the UI thread's join, which must keep delivering the
// messages the worker sends to the UI thread's windows.
#include "win/Worker.h"

#include "win/Exception.h"
#include "win/Unique.h"

#include <gtest/gtest.h>

#include <atomic>

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
        windowClass.lpszClassName = L"WorkerTestCounter";
        RegisterClassExW(&windowClass);  // fails harmlessly once registered
        window_.reset(CreateWindowExW(0, L"WorkerTestCounter", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
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

// Sends WM_APP to a UI-thread window up to `rounds` times (each a round trip
// through the UI thread) until `stop`, counting the answers from the UI thread
// and the thread the work ran on.
struct SendingWork {
    HWND window;
    int rounds;
    std::atomic<bool> stop{false};
    std::atomic<int> answered{0};
    std::atomic<DWORD> ranOn{0};

    void operator()() {
        ranOn = GetCurrentThreadId();
        for (int i = 0; i < rounds && !stop; ++i) answered += static_cast<int>(SendMessageW(window, WM_APP, 0, 0));
    }
};

// Thousands of round trips while the UI thread sits in Join: all are answered
// on the UI thread, each in turn, and the join ends; the work ran on a thread
// of its own.
TEST(WorkerTest, JoinDeliversThousandsOfSentMessages) {
    CountingWindow window;
    SendingWork work{window.Handle(), 5000};
    Win::Worker worker([&work] { work(); });
    worker.Join();
    EXPECT_EQ(window.received, 5000);
    EXPECT_EQ(work.answered, 5000);
    EXPECT_NE(work.ranOn, 0u);
    EXPECT_NE(work.ranOn, kUiThread);
}

// The same harness with a plain wait: the worker stays blocked in its first
// SendMessageW and the wait times out (the deadlock Join exists to avoid);
// Join then delivers the pending message and the thread ends.
TEST(WorkerTest, PlainWaitDeadlocksWhereJoinDoesNot) {
    CountingWindow window;
    SendingWork work{window.Handle(), 3};
    Win::Worker worker([&work] { work(); });
    EXPECT_EQ(WaitForSingleObject(worker.Handle(), 1500), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(window.received, 0);
    worker.Join();
    EXPECT_EQ(window.received, 3);
    EXPECT_EQ(WaitForSingleObject(worker.Handle(), 0), WAIT_OBJECT_0);
}

// The destructor joins the same way: destroying a worker in the middle of its
// round trips (after its work was told to stop) ends without a deadlock, and
// the thread has ended by then.
TEST(WorkerTest, DestructorJoinsWhileServingSentMessages) {
    CountingWindow window;
    SendingWork work{window.Handle(), 1000000};
    HANDLE thread = nullptr;
    {
        Win::Worker worker([&work] { work(); });
        DuplicateHandle(GetCurrentProcess(), worker.Handle(), GetCurrentProcess(), &thread, SYNCHRONIZE, FALSE, 0);
        MSG message;
        while (window.received < 100) {
            MsgWaitForMultipleObjectsEx(0, nullptr, 1000, QS_SENDMESSAGE, 0);
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        }
        work.stop = true;
    }
    const Win::UniqueHandle ended(thread);
    EXPECT_EQ(WaitForSingleObject(ended.get(), 0), WAIT_OBJECT_0);
    EXPECT_LT(work.answered, 1000000);
}

}  // namespace
