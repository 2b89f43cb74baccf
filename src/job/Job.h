// The job: what to download, where to put it, how the window reads, and what
// to do with the file. Composed at start-up, carried by value from there on.
#pragma once

#include <string>
#include <tuple>

// The system proxy as the job carries it: the texts the user's settings hold.
struct JobProxy {
    bool Enabled = false;
    std::wstring Host;
    std::wstring Port;  // as configured; a port that is no number leaves the window idle
    bool AuthorizationRequired = false;
    std::wstring Username;
    std::wstring Password;
};

// The language of the updater's own texts (the close button's name, the
// proxy prompt, the refusals), decided once from the user's interface language.
enum class UiLanguage { English, Russian };

// The window's texts and mode.
struct WindowTexts {
    bool StartInTray = false;  // hidden, with a tray icon, until the user restores it
    std::wstring Title;        // the title line
    std::wstring SizePrefix;   // the size line before the figures ("Downloaded: ")
    std::wstring SizeSuffix;   // the size line after the figures (" KB")
};

struct Job {
    std::wstring Url;             // the file on the web
    std::wstring TargetFolder;    // where the download and the final file go
    std::wstring SetupArguments;  // handed to the started file
    bool StartSetup = false;      // start the complete file
    std::wstring RegistryKey;     // where the result is recorded; "" or a path no key has: nowhere
    WindowTexts Window;
    JobProxy Proxy;
    UiLanguage Language = UiLanguage::English;  // not in the settings file: each start's own
};

// Two jobs are equal when every value the settings file holds is: the run
// carries out only the job its start composed.
inline bool operator==(const JobProxy& a, const JobProxy& b) {
    return std::tie(a.Enabled, a.Host, a.Port, a.AuthorizationRequired, a.Username, a.Password) ==
           std::tie(b.Enabled, b.Host, b.Port, b.AuthorizationRequired, b.Username, b.Password);
}
inline bool operator==(const WindowTexts& a, const WindowTexts& b) {
    return std::tie(a.StartInTray, a.Title, a.SizePrefix, a.SizeSuffix) ==
           std::tie(b.StartInTray, b.Title, b.SizePrefix, b.SizeSuffix);
}
inline bool operator==(const Job& a, const Job& b) {
    return std::tie(a.Url, a.TargetFolder, a.SetupArguments, a.StartSetup, a.RegistryKey, a.Window, a.Proxy) ==
           std::tie(b.Url, b.TargetFolder, b.SetupArguments, b.StartSetup, b.RegistryKey, b.Window, b.Proxy);
}
inline bool operator!=(const Job& a, const Job& b) { return !(a == b); }
