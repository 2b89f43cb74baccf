// A job of the tests' own, written into the settings file and loaded as
// UpdaterSettings, for in-process runs of the progress window.
#pragma once

#include "Updatershared.h"

#include <string>

namespace TestSupport {

struct TFormJob {
    std::wstring FileOnWeb = L"http://127.0.0.1:9/none";
    std::wstring TargetFilePath;
    std::wstring CommandLineParameters;
    bool AutoStartTargetFile = false;
    std::wstring RegistryKey;
    // Stored as it is: any text, not only the "0" and "1" that the writer makes.
    std::wstring UpdaterMinimized = L"0";
    std::wstring TopText = L"Downloading";
    // Proxy on with a port that is no number: the window stays idle.
    TProxyServerInfo Proxy{true, L"127.0.0.1", L"idle", false, L"", L""};
};

// Returns a job that downloads `url` without a proxy and starts the file
// with `parameters`.
TFormJob StartingJob(const std::wstring& url, const std::wstring& parameters);

// Saves `job` (size line texts "Downloaded: " ... " KB") into the settings
// file of this process's temporary folder and reloads UpdaterSettings from
// it. COM initialised; the window module started.
void LoadFormJob(const TFormJob& job);

}  // namespace TestSupport
