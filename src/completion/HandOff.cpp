#include "completion/HandOff.h"

#include "completion/MessageWait.h"
#include "completion/RegistryResult.h"
#include "files/FileNaming.h"
#include "files/FilePaths.h"
#include "job/BuiltInJob.h"

#include "toolkit/Application.h"

#include <shellapi.h>

namespace {

// Tells the user that the downloaded file was not signed by `expected` and
// was not started, in the language of the job's texts.
void ShowPublisherRefusal(const TPublisher& expected, HWND owner) {
    const bool russian = GetUILanguageName() == L"Russian";
    const std::wstring text =
        russian ? L"Загруженный файл не подписан ожидаемым издателем (" + PublisherText(expected) +
                      L") и не был запущен."
                : L"The downloaded file is not signed by the expected publisher (" + PublisherText(expected) +
                      L") and was not started.";
    MessageBoxW(owner, text.c_str(), Toolkit::Application().Title.c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace

std::wstring ChooseFinalPath(const TDownloadNames& names) {
    return UniqueFileName(ExtractBaseName(names.RemoteFileName), ExtractFileExt(names.RemoteFileName),
                          names.TargetFolder);
}

void HandOff(const TJob& job, const TDownloadNames& names, const std::optional<TPublisher>& setupPublisherPin,
             HWND owner) {
    const std::wstring finalPath = ChooseFinalPath(names);
    const std::wstring& source = names.DownloadPath;
    if (!ShellFileOperation(source, &finalPath, FO_MOVE, FOF_SILENT | FOF_NOCONFIRMATION, owner)) return;
    if (PathExists(source)) DeleteFileW(source.c_str());
    WaitServingMessages(1000);
    // Held open (no writer, no rename, no delete) from the check until the start has returned.
    TPublisherCheck check(ExpectedSetupPublisher(setupPublisherPin));
    if (!check.Admit(finalPath)) {
        check.Release();
        DeleteFileW(finalPath.c_str());
        ShowPublisherRefusal(*check.Expected(), owner);
        return;
    }
    RecordDownloadResult(job.RegistryKey, finalPath);
    if (job.StartSetup) {
        const std::wstring arguments = ExpandUpLevelCurDir(job.SetupArguments);
        ShellExecuteW(nullptr, L"open", finalPath.c_str(), arguments.c_str(), nullptr, SW_SHOWNORMAL);
    }
}
