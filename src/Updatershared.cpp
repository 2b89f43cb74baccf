#include "Updatershared.h"

#include "FilePaths.h"
#include "TempFolder.h"

#include <windows.h>

namespace {

const wchar_t kSettingsFile[] = L"Velmora\\UpdaterSettings.xml";

const wchar_t* Flag(bool value) { return value ? L"1" : L"0"; }

}  // namespace

std::wstring GetSettingsFilePath() {
    const std::wstring folder = GetTempPathAsReported();
    return folder.empty() ? std::wstring() : folder + kSettingsFile;
}

bool SaveUpdaterSettings(const std::wstring& FileOnWeb, const std::wstring& TargetFilePath,
                         const std::wstring& CommandLineParameters, bool AutoStartTargetFile,
                         TUpdaterInterfaceSettings InterfaceSettings, const std::wstring& RegistryKey,
                         const TProxyServerInfo& ProxyInfo) {
    const std::wstring path = GetSettingsFilePath();
    if (path.empty()) return false;  // nowhere to write: never build a path from nothing
    if (PathExists(path)) DeleteFileW(path.c_str());  // a failure shows up when saving
    try {
        Xml::Document document = Xml::Document::New();
        Xml::Node root = document.AddDocumentElement(L"Settings");
        root.AddChild(L"FileOnWeb", FileOnWeb);
        root.AddChild(L"TargetFilePath", TargetFilePath);
        root.AddChild(L"CommandLineParameters", CommandLineParameters);
        root.AddChild(L"AutoStartTargetFile", Flag(AutoStartTargetFile));
        if (!RegistryKey.empty()) root.AddChild(L"RegistryKey", RegistryKey);
        root.AddChild(L"UpdaterMinimized", Flag(InterfaceSettings.UpdaterMinimized));
        root.AddChild(L"TopText", InterfaceSettings.TopText);
        root.AddChild(L"BottomTextPart1", InterfaceSettings.BottomTextPart1);
        root.AddChild(L"BottomTextPart2", InterfaceSettings.BottomTextPart2);
        root.AddChild(L"is_use_proxy", Flag(ProxyInfo.is_use_proxy));
        root.AddChild(L"ProxyAddress", ProxyInfo.ProxyAddress);
        root.AddChild(L"ProxyPort", ProxyInfo.ProxyPort);
        root.AddChild(L"is_authorization_required", Flag(ProxyInfo.is_authorization_required));
        root.AddChild(L"ProxyUsername", ProxyInfo.ProxyUsername);
        root.AddChild(L"ProxyPassword", ProxyInfo.ProxyPassword);
        ForceDirectories(ExtractFileDir(path));
        document.Save(path);
        return true;
    } catch (...) {
        return false;
    }
}

TUpdaterSettings::TUpdaterSettings() {
    const std::wstring path = GetSettingsFilePath();
    if (path.empty()) return;
    try {
        document_ = Xml::Document::Load(path);
        root_ = document_.DocumentElement();
    } catch (...) {
        // A missing or broken file leaves the job empty; start-up reports nothing.
        document_ = Xml::Document();
        root_ = Xml::Node();
    }
}

TUpdaterSettings::~TUpdaterSettings() {
    root_ = Xml::Node();  // the root before the document
    document_ = Xml::Document();
}

std::wstring TUpdaterSettings::GetValue(const std::wstring& key) const {
    if (!root_) return std::wstring();
    const Xml::Node element = root_.FindChild(key);
    return element ? element.Text() : std::wstring();
}
