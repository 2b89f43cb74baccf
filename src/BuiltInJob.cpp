#include "BuiltInJob.h"

#include "BuiltInUrl.h"
#include "SystemProxy.h"
#include "TempFolder.h"
#include "UpdaterFormUnit.h"
#include "Updatershared.h"
#include "win/Unique.h"

#include <shellapi.h>

namespace {

struct TLanguageTexts {
    const wchar_t* TopText;
    const wchar_t* BottomTextPart1;
    const wchar_t* BottomTextPart2;
};

const TLanguageTexts kEnglishTexts = {L"Getting the most recent Orvinta version...", L"Downloaded: ", L" KB"};
const TLanguageTexts kRussianTexts = {L"Получение самой новой версии Orvinta...", L"Загружено: ", L" Кб"};

// Only a proxy that the query reported as switched on goes into the job.
TProxyServerInfo SystemProxyForJob() {
    TProxyServerInfo proxy;
    bool useProxy = false;
    std::wstring host;
    std::wstring port;
    if (GetSystemProxy(useProxy, host, port) && useProxy) {
        proxy.is_use_proxy = true;
        proxy.ProxyAddress = host;
        proxy.ProxyPort = port;
    }
    return proxy;
}

TUpdaterInterfaceSettings InterfaceForLanguage(const std::wstring& language) {
    const TLanguageTexts& texts = language == L"Russian" ? kRussianTexts : kEnglishTexts;
    TUpdaterInterfaceSettings settings;
    settings.UpdaterMinimized = false;
    settings.TopText = texts.TopText;
    settings.BottomTextPart1 = texts.BottomTextPart1;
    settings.BottomTextPart2 = texts.BottomTextPart2;
    return settings;
}

}  // namespace

std::wstring UILanguageNameFor(LANGID language) {
    return PRIMARYLANGID(language) == LANG_RUSSIAN ? L"Russian" : L"English";
}

std::wstring GetUILanguageName() { return UILanguageNameFor(GetUserDefaultUILanguage()); }

std::vector<std::wstring> ProcessArguments() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const Win::UniqueHLocal owner(argv);
    std::vector<std::wstring> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv[i]);
    return arguments;
}

std::wstring JoinArguments(const std::vector<std::wstring>& arguments) {
    std::wstring joined;
    for (const std::wstring& argument : arguments) {
        if (!joined.empty()) joined += L' ';
        joined += argument;
    }
    return joined;
}

void ComposeBuiltInJob() {
    const TProxyServerInfo proxy = SystemProxyForJob();
    const TUpdaterInterfaceSettings window = InterfaceForLanguage(GetUILanguageName());
    const std::wstring parameters = JoinArguments(ProcessArguments());
    const std::wstring registryKey = std::to_wstring(0);
    const std::wstring targetFolder = GetTempFolder();
    const std::wstring url = kBuiltInDownloadUrl;
    SaveUpdaterSettings(url, targetFolder, parameters, true, window, registryKey, proxy);
    UpdaterSettings.emplace();
}
