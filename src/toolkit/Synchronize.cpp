#include "toolkit/Synchronize.h"

#include "win/Exception.h"
#include "win/Unique.h"

#include <atomic>
#include <deque>
#include <exception>

namespace Toolkit {

namespace {

// Captured during static initialisation, which runs on the process's main thread.
const DWORD UiThreadId = GetCurrentThreadId();

const wchar_t SyncWindowClass[] = L"ToolkitSyncWindow";
const UINT WM_TOOLKIT_SYNC = WM_APP + 0x3F00;

// Holds a slim reader/writer lock exclusively for its lifetime. (A platform
// lock rather than std::mutex: that one throws std::system_error and brings
// its machinery into the executable.)
class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    SRWLOCK& lock_;
};

// One queued call; it lives on the waiting worker's stack.
struct SyncRequest {
    const std::function<void()>* method;
    std::exception_ptr error;
    HANDLE done;
};

class SyncQueue {
public:
    SyncQueue() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

    void Push(SyncRequest* request) {
        {
            const ExclusiveLock lock(lock_);
            requests_.push_back(request);
        }
        SetEvent(event_);
        // One wake-up message at a time keeps the UI thread's queue short
        // while it serves thousands of calls from inside a wait.
        const HWND window = window_;
        if (window && !posted_.exchange(true)) PostMessageW(window, WM_TOOLKIT_SYNC, 0, 0);
    }

    void WakeUpHandled() { posted_ = false; }

    SyncRequest* Pop() {
        const ExclusiveLock lock(lock_);
        if (requests_.empty()) return nullptr;
        SyncRequest* request = requests_.front();
        requests_.pop_front();
        return request;
    }

    HANDLE Event() const { return event_; }
    void SetWindow(HWND window) { window_ = window; }
    HWND Window() const { return window_; }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::deque<SyncRequest*> requests_;
    // Lives as long as the process: workers may still signal it during exit.
    HANDLE event_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> posted_{false};
};

SyncQueue& Queue() {
    static SyncQueue* queue = new SyncQueue;  // never destroyed, see above
    return *queue;
}

LRESULT CALLBACK SyncWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TOOLKIT_SYNC) {
        Queue().WakeUpHandled();
        CheckSynchronize();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

DWORD MainThreadId() { return UiThreadId; }

bool IsMainThread() { return GetCurrentThreadId() == UiThreadId; }

void SynchronizeCall(const std::function<void()>& method) {
    if (IsMainThread()) {
        method();
        return;
    }
    const Win::UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Win::ThrowLastErrorIf(!done, "CreateEventW");
    SyncRequest request{&method, nullptr, done.get()};
    Queue().Push(&request);
    WaitForSingleObject(done.get(), INFINITE);
    if (request.error) std::rethrow_exception(request.error);
}

bool CheckSynchronize() {
    if (!IsMainThread()) return false;
    bool ran = false;
    while (SyncRequest* request = Queue().Pop()) {
        try {
            (*request->method)();
        } catch (...) {
            request->error = std::current_exception();
        }
        ran = true;
        SetEvent(request->done);
    }
    return ran;
}

HANDLE SyncEvent() { return Queue().Event(); }

void EnsureSyncWindow() {
    if (!IsMainThread() || Queue().Window()) return;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = SyncWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = SyncWindowClass;
    RegisterClassExW(&windowClass);
    // Lives until the process ends, like the UI thread it serves.
    Queue().SetWindow(CreateWindowExW(0, SyncWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      windowClass.hInstance, nullptr));
}

}  // namespace Toolkit
