// The job: what to download, where to put it, how the window reads, and what
// to do with the file. Composed at start-up, carried by value from there on.
#pragma once

#include <string>

// The system proxy as the job carries it: the texts the user's settings hold.
struct TJobProxy {
    bool Enabled = false;
    std::wstring Host;
    std::wstring Port;  // as configured; a port that is no number leaves the window idle
    bool AuthorizationRequired = false;
    std::wstring Username;
    std::wstring Password;
};

// The window's texts and mode.
struct TWindowTexts {
    bool StartInTray = false;  // hidden, with a tray icon, until the user restores it
    std::wstring Title;        // the title line
    std::wstring SizePrefix;   // the size line before the figures ("Downloaded: ")
    std::wstring SizeSuffix;   // the size line after the figures (" KB")
};

struct TJob {
    std::wstring Url;             // the file on the web
    std::wstring TargetFolder;    // where the download and the final file go
    std::wstring SetupArguments;  // handed to the started file
    bool StartSetup = false;      // start the complete file
    std::wstring RegistryKey;     // where the result is recorded; "" or a path no key has: nowhere
    TWindowTexts Window;
    TJobProxy Proxy;
};
