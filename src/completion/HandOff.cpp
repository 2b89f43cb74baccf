#include "completion/HandOff.h"

#include "completion/HeldFileRetry.h"
#include "completion/MessageWait.h"
#include "completion/RegistryResult.h"
#include "completion/SetupAdmission.h"
#include "completion/SetupKind.h"
#include "download/BrowserFallback.h"
#include "files/FileNaming.h"
#include "files/FilePaths.h"
#include "files/RunFolder.h"

#include "win/MessageLoop.h"

#include <shellapi.h>

namespace {

// Tells the user that the downloaded file was refused and not started, and
// why, naming the expected publisher when there is one, in `language`.
void ShowRefusal(Admission verdict, const ExpectedSigner& expected, UiLanguage language, HWND owner) {
    const bool russian = language == UiLanguage::Russian;
    const bool notASetup = verdict == Admission::NotASetup;
    const std::wstring publisher = expected.Publisher ? L" (" + PublisherText(*expected.Publisher) + L")" : L"";
    std::wstring text;
    if (russian)
        text = (notASetup ? L"Загруженный файл не является программой установки ожидаемого издателя"
                          : L"Загруженный файл не подписан ожидаемым издателем") +
               publisher + L" и не был запущен.";
    else
        text = (notASetup ? L"The downloaded file is not a setup program of the expected publisher"
                          : L"The downloaded file is not signed by the expected publisher") +
               publisher + L" and was not started.";
    MessageBoxW(owner, text.c_str(), Win::ProgramTitle().c_str(), MB_OK | MB_ICONERROR);
}

// Deletes `path`, waiting a while for another process that holds it, then
// the run's folder with it.
void DeleteWhenFree(const std::wstring& path, const DownloadNames& names) {
    RetryWhileFileHeld([&path] { return DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; });
    RemoveRunFolder(names.RunFolder);
}

// The way out when the file cannot be handed off: the user gets the address
// to fetch the file by hand, and nothing is left in the target folder.
void FallBackToTheBrowser(const Job& job, const std::wstring& path, const DownloadNames& names, HWND owner) {
    OpenInBrowser(job.Url, owner);
    DeleteWhenFree(path, names);
}

}  // namespace

std::wstring ChooseFinalPath(const DownloadNames& names) {
    return UniqueFileName(FileStem(names.RemoteFileName), FileExtension(names.RemoteFileName), names.RunFolder);
}

void HandOff(const Job& job, const DownloadNames& names, const std::optional<Publisher>& setupPublisherPin,
             HWND owner) {
    const std::wstring finalPath = ChooseFinalPath(names);
    const std::wstring& source = names.DownloadPath;
    // Held open (no writer, no rename, no delete) from the check until the start has returned.
    SetupAdmission admission(ExpectedSetupSigner(setupPublisherPin));
    // A name that is no setup's never lands: a server's "version.dll" would
    // otherwise exist, however briefly, where other programs look for DLLs.
    if (!SetupKindOfName(finalPath)) {
        DeleteWhenFree(source, names);
        ShowRefusal(Admission::NotASetup, admission.Expected(), job.Language, owner);
        return;
    }
    if (!RetryWhileFileHeld([&] { return MoveFileTo(source, finalPath); })) {
        FallBackToTheBrowser(job, source, names, owner);
        return;
    }
    WaitServingMessages(1000);
    Admission verdict = Admission::Unopened;
    RetryWhileFileHeld([&] { return (verdict = admission.Admit(finalPath)) != Admission::Unopened; });
    if (verdict == Admission::Unopened) {
        FallBackToTheBrowser(job, finalPath, names, owner);
        return;
    }
    if (verdict != Admission::Admitted) {
        admission.Release();
        DeleteWhenFree(finalPath, names);
        ShowRefusal(verdict, admission.Expected(), job.Language, owner);
        return;
    }
    RecordDownloadResult(job.RegistryKey, finalPath);
    if (job.StartSetup) {
        const std::wstring arguments = ExpandUpLevelCurDir(job.SetupArguments);
        // Started in its own folder, which holds nothing but the setup: the
        // working folder is searched for DLLs and data files too.
        ShellExecuteW(nullptr, L"open", finalPath.c_str(), arguments.c_str(), names.RunFolder.c_str(), SW_SHOWNORMAL);
    }
}
