#include "app/EntryRoutine.h"

#include "app/UpdateRun.h"
#include "job/BuiltInJob.h"
#include "job/SettingsFile.h"

#include "net/HttpClient.h"
#include "win/Exception.h"
#include "win/MessageLoop.h"

void RunInEntryGuard(const std::function<void()>& steps) {
    try {
        steps();
    } catch (const Win::Exception& error) {
        Win::ShowErrorText(error.Message());
    } catch (...) {
        Win::ShowErrorText(Win::Exception(L"").Message());
    }
}

void RunReadBackJob(const Job& composed, const std::optional<Publisher>& setupPublisherPin) {
    std::optional<Job> job = LoadSettingsFile();
    // Whoever rewrote the file since this start wrote it would choose the
    // URL, the folder, the arguments and the registry key: only the job this
    // start composed is carried out, and anything else ends the run quietly.
    if (!job || *job != composed) return;
    // The file holds no language: this start decided it.
    job->Language = composed.Language;
    {
        UpdateRun run(std::move(*job), setupPublisherPin);
        run.Run();
        // The run goes while the process still runs normally: its destructor
        // joins the download worker, which could not end once the process
        // has begun to exit.
    }
    // A stopped or failed download closes its connection on a thread of
    // its own; the process should not end in the middle of that. Bounded:
    // a platform that never finishes the close must not keep it alive.
    Net::WaitForBackgroundCloses(2000);
}

int UpdaterEntryRoutine(const std::optional<Publisher>& setupPublisherPin, bool startInTray) {
    // The job goes through the settings file and is carried out as read back.
    // A file that could not be written may still hold an older job, which
    // this start did not compose: the run ends quietly, as without a file.
    Job builtIn = ComposeBuiltInJob();
    builtIn.Window.StartInTray = startInTray;
    if (!SaveSettingsFile(builtIn)) return 0;
    RunInEntryGuard([&builtIn, &setupPublisherPin] { RunReadBackJob(builtIn, setupPublisherPin); });
    return 0;
}
