// The settings file that carries the job from its composition to the parts
// that carry it out, and the settings object that reads it back.
#pragma once

#include "xml/XmlDocument.h"

#include <string>

// The window settings of a job.
struct TUpdaterInterfaceSettings {
    bool UpdaterMinimized = false;
    std::wstring TopText;
    std::wstring BottomTextPart1;
    std::wstring BottomTextPart2;
};

// The proxy settings of a job as text.
struct TProxyServerInfo {
    bool is_use_proxy = false;
    std::wstring ProxyAddress;
    std::wstring ProxyPort;
    bool is_authorization_required = false;
    std::wstring ProxyUsername;
    std::wstring ProxyPassword;
};

// Returns the temporary folder as reported followed by "Velmora\UpdaterSettings.xml",
// or "" when the temporary folder is unknown.
std::wstring GetSettingsFilePath();

// Writes the job into a new settings file, replacing any earlier one.
// Returns false when the file could not be saved. COM must be initialised.
bool SaveUpdaterSettings(const std::wstring& FileOnWeb, const std::wstring& TargetFilePath,
                         const std::wstring& CommandLineParameters, bool AutoStartTargetFile,
                         TUpdaterInterfaceSettings InterfaceSettings, const std::wstring& RegistryKey,
                         const TProxyServerInfo& ProxyInfo);

// The job as loaded from the settings file. Holds the loaded document and its
// root; a missing or broken file leaves both empty. UI thread only.
class TUpdaterSettings {
public:
    // Loads the file at GetSettingsFilePath(); never fails.
    TUpdaterSettings();
    ~TUpdaterSettings();

    // Returns the text of the root's first child named `key` (node name or
    // local name, exact case), or "". Raises Xml::XmlException when that
    // element holds anything but one text node.
    std::wstring GetValue(const std::wstring& key) const;

    std::wstring FileOnWeb() const { return GetValue(L"FileOnWeb"); }
    std::wstring TargetFilePath() const { return GetValue(L"TargetFilePath"); }

private:
    Xml::Document document_;
    Xml::Node root_;
};
