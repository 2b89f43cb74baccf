#include "app/EntryRoutine.h"

#include "job/BuiltInJob.h"
#include "job/SettingsFile.h"
#include "window/ProgressWindow.h"

#include "net/HttpClient.h"
#include "win/Exception.h"
#include "win/MessageLoop.h"
#include "win/Thread.h"

#include <memory>

void RunInEntryGuard(const std::function<void()>& steps) {
    try {
        steps();
    } catch (const Win::Exception& error) {
        Win::ShowErrorText(error.Message());
    } catch (...) {
        Win::ShowErrorText(Win::Exception(L"").Message());
    }
}

namespace {

// Asks for the system proxy on a thread of its own.
class TSystemProxyQuery : public Win::TThread {
public:
    TSystemProxyQuery() { Start(); }
    ~TSystemProxyQuery() override { StopAndWait(); }

    // Waits for the answer.
    TJobProxy Result() {
        WaitFor();
        return proxy_;
    }

private:
    void Execute() override { proxy_ = SystemProxyForJob(); }

    TJobProxy proxy_;
};

// What the window and the settings file need first, done early: both stay
// loaded for the process. A failure here is met again, and reported, where
// the work itself is done.
void PrepareStartUp() {
    try {
        TProgressWindow::RegisterWindowClass();
    } catch (const Win::Exception&) {
    }
    LoadLibraryExW(L"msxml6.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Returns the system proxy for the job, asked on a thread of its own while
// the start-up gets ready (or afterwards, when no thread can be had).
TJobProxy SystemProxyWhilePreparing() {
    std::unique_ptr<TSystemProxyQuery> query;
    try {
        query = std::make_unique<TSystemProxyQuery>();
    } catch (const Win::Exception&) {
    }
    PrepareStartUp();
    return query ? query->Result() : SystemProxyForJob();
}

}  // namespace

int UpdaterEntryRoutine(const std::optional<TPublisher>& setupPublisherPin, bool startInTray) {
    // The job goes through the settings file and is carried out as read back.
    // A file that could not be written may still hold an older job, which
    // this start did not compose: the run ends quietly, as without a file.
    //
    // The system proxy query can take long (some platforms run their proxy
    // detection inside it), so it runs on a thread of its own while the
    // window's class and the XML engine, which do not depend on it, get ready.
    TJob builtIn = ComposeBuiltInJob(SystemProxyWhilePreparing());
    builtIn.Window.StartInTray = startInTray;
    if (!SaveSettingsFile(builtIn)) return 0;
    RunInEntryGuard([&setupPublisherPin] {
        const std::optional<TJob> job = LoadSettingsFile();
        if (!job) return;
        {
            TProgressWindow window(*job, setupPublisherPin);
            window.ShowUnlessInTray();
            Win::RunMessageLoop(window.Handle());
            // The window goes while the process still runs normally: its
            // destructor waits for the download thread, which could not end
            // once the process has begun to exit.
        }
        // A stopped or failed download closes its connection on a thread of
        // its own; the process should not end in the middle of that. Bounded:
        // a platform that never finishes the close must not keep it alive.
        Net::WaitForBackgroundCloses(2000);
    });
    return 0;
}
