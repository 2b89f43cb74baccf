#include "support/FormJob.h"

#include "UpdaterFormUnit.h"
#include "support/ScratchFiles.h"
#include "support/Utf8.h"

#include <stdexcept>

namespace TestSupport {

namespace {

// Returns `text` as UTF-8 with the characters markup gives a meaning escaped.
std::string XmlText(const std::wstring& text) {
    std::string escaped;
    for (const char c : Utf8(text)) {
        if (c == '&') escaped += "&amp;";
        else if (c == '<') escaped += "&lt;";
        else if (c == '>') escaped += "&gt;";
        else escaped += c;
    }
    return escaped;
}

// Replaces the text of the flag the writer stored as "0" or "1".
void StoreUpdaterMinimized(const std::wstring& value) {
    const std::string path = Utf8(GetSettingsFilePath());
    std::string xml = ReadFileBytes(GetSettingsFilePath());
    const std::string element = "<UpdaterMinimized>0</UpdaterMinimized>";
    const size_t at = xml.find(element);
    if (at == std::string::npos) throw std::runtime_error("no UpdaterMinimized in " + path);
    xml.replace(at, element.size(), "<UpdaterMinimized>" + XmlText(value) + "</UpdaterMinimized>");
    WriteFileBytes(GetSettingsFilePath(), xml);
}

}  // namespace

TFormJob StartingJob(const std::wstring& url, const std::wstring& parameters) {
    TFormJob job;
    job.FileOnWeb = url;
    job.Proxy = TProxyServerInfo{};
    job.AutoStartTargetFile = true;
    job.CommandLineParameters = parameters;
    return job;
}

void LoadFormJob(const TFormJob& job) {
    const TUpdaterInterfaceSettings texts{false, job.TopText, L"Downloaded: ", L" KB"};
    if (!SaveUpdaterSettings(job.FileOnWeb, job.TargetFilePath, job.CommandLineParameters, job.AutoStartTargetFile,
                             texts, job.RegistryKey, job.Proxy))
        throw std::runtime_error("the test job could not be saved");
    if (job.UpdaterMinimized != L"0") StoreUpdaterMinimized(job.UpdaterMinimized);
    UpdaterSettings.emplace();
}

}  // namespace TestSupport
