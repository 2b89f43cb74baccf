#include "job/BuiltInJob.h"

#include "BuiltInUrl.h"
#include "job/CommandLine.h"
#include "job/SystemProxy.h"
#include "job/TempFolder.h"

namespace {

struct LanguageTexts {
    const wchar_t* Title;
    const wchar_t* SizePrefix;
    const wchar_t* SizeSuffix;
};

const LanguageTexts kEnglishTexts = {L"Getting the most recent Orvinta version...", L"Downloaded: ", L" KB"};
const LanguageTexts kRussianTexts = {L"Получение самой новой версии Orvinta...", L"Загружено: ", L" Кб"};

// Only a proxy that the query reported as switched on goes into the job.
JobProxy SystemProxyForJob() {
    JobProxy proxy;
    const std::optional<SystemProxy> system = TryReadSystemProxy();
    if (system && system->Enabled) {
        proxy.Enabled = true;
        proxy.Host = system->Host;
        proxy.Port = system->Port;
    }
    return proxy;
}

WindowTexts WindowTextsFor(UiLanguage language) {
    const LanguageTexts& texts = language == UiLanguage::Russian ? kRussianTexts : kEnglishTexts;
    WindowTexts window;
    window.StartInTray = false;
    window.Title = texts.Title;
    window.SizePrefix = texts.SizePrefix;
    window.SizeSuffix = texts.SizeSuffix;
    return window;
}

}  // namespace

UiLanguage UiLanguageFor(LANGID language) {
    return PRIMARYLANGID(language) == LANG_RUSSIAN ? UiLanguage::Russian : UiLanguage::English;
}

UiLanguage UserUiLanguage() { return UiLanguageFor(GetUserDefaultUILanguage()); }

Job ComposeBuiltInJob() {
    Job job;
    job.Proxy = SystemProxyForJob();
    job.Language = UserUiLanguage();
    job.Window = WindowTextsFor(job.Language);
    job.SetupArguments = JoinArguments(ProcessArguments());
    // "0" names no key: the result is recorded nowhere.
    job.RegistryKey = std::to_wstring(0);
    job.TargetFolder = GetTempFolder();
    job.Url = kBuiltInDownloadUrl;
    job.StartSetup = true;
    return job;
}
