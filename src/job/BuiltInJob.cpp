#include "job/BuiltInJob.h"

#include "BuiltInUrl.h"
#include "job/CommandLine.h"
#include "job/SystemProxy.h"
#include "job/TempFolder.h"

namespace {

struct TLanguageTexts {
    const wchar_t* Title;
    const wchar_t* SizePrefix;
    const wchar_t* SizeSuffix;
};

const TLanguageTexts kEnglishTexts = {L"Getting the most recent Orvinta version...", L"Downloaded: ", L" KB"};
const TLanguageTexts kRussianTexts = {L"Получение самой новой версии Orvinta...", L"Загружено: ", L" Кб"};

// Only a proxy that the query reported as switched on goes into the job.
TJobProxy SystemProxyForJob() {
    TJobProxy proxy;
    const std::optional<SystemProxy> system = TryReadSystemProxy();
    if (system && system->Enabled) {
        proxy.Enabled = true;
        proxy.Host = system->Host;
        proxy.Port = system->Port;
    }
    return proxy;
}

TWindowTexts WindowTextsFor(const std::wstring& language) {
    const TLanguageTexts& texts = language == L"Russian" ? kRussianTexts : kEnglishTexts;
    TWindowTexts window;
    window.StartInTray = false;
    window.Title = texts.Title;
    window.SizePrefix = texts.SizePrefix;
    window.SizeSuffix = texts.SizeSuffix;
    return window;
}

}  // namespace

std::wstring UILanguageNameFor(LANGID language) {
    return PRIMARYLANGID(language) == LANG_RUSSIAN ? L"Russian" : L"English";
}

std::wstring GetUILanguageName() { return UILanguageNameFor(GetUserDefaultUILanguage()); }

TJob ComposeBuiltInJob() {
    TJob job;
    job.Proxy = SystemProxyForJob();
    job.Window = WindowTextsFor(GetUILanguageName());
    job.SetupArguments = JoinArguments(ProcessArguments());
    // "0" names no key: the result is recorded nowhere.
    job.RegistryKey = std::to_wstring(0);
    job.TargetFolder = GetTempFolder();
    job.Url = kBuiltInDownloadUrl;
    job.StartSetup = true;
    return job;
}
