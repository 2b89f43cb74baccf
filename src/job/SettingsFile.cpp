#include "job/SettingsFile.h"

#include "files/FilePaths.h"
#include "job/TempFolder.h"

#include <windows.h>

namespace {

const wchar_t kSettingsFile[] = L"Velmora\\UpdaterSettings.xml";

// One element of the file and the job's value it holds: a text, or a flag
// written as "1" or "0".
struct TSettingsKey {
    const wchar_t* Element;
    std::wstring& (*Text)(TJob&);
    bool& (*Flag)(TJob&);
    bool OmittedWhenEmpty;
};

// The keys in file order. The URL and the target folder come first: without
// them nothing else is read.
const TSettingsKey kKeys[] = {
    {L"FileOnWeb", [](TJob& job) -> std::wstring& { return job.Url; }, nullptr, false},
    {L"TargetFilePath", [](TJob& job) -> std::wstring& { return job.TargetFolder; }, nullptr, false},
    {L"CommandLineParameters", [](TJob& job) -> std::wstring& { return job.SetupArguments; }, nullptr, false},
    {L"AutoStartTargetFile", nullptr, [](TJob& job) -> bool& { return job.StartSetup; }, false},
    {L"RegistryKey", [](TJob& job) -> std::wstring& { return job.RegistryKey; }, nullptr, true},
    {L"UpdaterMinimized", nullptr, [](TJob& job) -> bool& { return job.Window.StartInTray; }, false},
    {L"TopText", [](TJob& job) -> std::wstring& { return job.Window.Title; }, nullptr, false},
    {L"BottomTextPart1", [](TJob& job) -> std::wstring& { return job.Window.SizePrefix; }, nullptr, false},
    {L"BottomTextPart2", [](TJob& job) -> std::wstring& { return job.Window.SizeSuffix; }, nullptr, false},
    {L"is_use_proxy", nullptr, [](TJob& job) -> bool& { return job.Proxy.Enabled; }, false},
    {L"ProxyAddress", [](TJob& job) -> std::wstring& { return job.Proxy.Host; }, nullptr, false},
    {L"ProxyPort", [](TJob& job) -> std::wstring& { return job.Proxy.Port; }, nullptr, false},
    {L"is_authorization_required", nullptr, [](TJob& job) -> bool& { return job.Proxy.AuthorizationRequired; },
     false},
    {L"ProxyUsername", [](TJob& job) -> std::wstring& { return job.Proxy.Username; }, nullptr, false},
    {L"ProxyPassword", [](TJob& job) -> std::wstring& { return job.Proxy.Password; }, nullptr, false},
};

}  // namespace

std::wstring SettingsFilePath() {
    const std::wstring folder = GetTempPathAsReported();
    return folder.empty() ? std::wstring() : folder + kSettingsFile;
}

std::vector<std::wstring> SettingsFileElements() {
    std::vector<std::wstring> elements;
    for (const TSettingsKey& key : kKeys) elements.emplace_back(key.Element);
    return elements;
}

bool SaveSettingsFile(const TJob& job) {
    const std::wstring path = SettingsFilePath();
    if (path.empty()) return false;  // nowhere to write: never build a path from nothing
    if (PathExists(path)) DeleteFileW(path.c_str());  // a failure shows up when saving
    TJob values = job;  // the table's accessors take a job they may write
    try {
        Xml::Document document = Xml::Document::New();
        Xml::Node root = document.AddDocumentElement(L"Settings");
        for (const TSettingsKey& key : kKeys) {
            if (key.Flag) {
                root.AddChild(key.Element, key.Flag(values) ? L"1" : L"0");
            } else if (!key.OmittedWhenEmpty || !key.Text(values).empty()) {
                root.AddChild(key.Element, key.Text(values));
            }
        }
        CreateFolderPath(ParentFolder(path));
        document.Save(path);
        return true;
    } catch (...) {
        return false;
    }
}

std::optional<TJob> LoadSettingsFile() {
    const TSettingsFileReader reader;
    TJob job;
    for (const TSettingsKey& key : kKeys) {
        if (key.Flag) {
            key.Flag(job) = reader.Text(key.Element) == L"1";
        } else {
            key.Text(job) = reader.Text(key.Element);
        }
        // The first key is the URL, the second the target folder.
        if (job.Url.empty() || (&key != &kKeys[0] && job.TargetFolder.empty())) return std::nullopt;
    }
    return job;
}

TSettingsFileReader::TSettingsFileReader() {
    const std::wstring path = SettingsFilePath();
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

TSettingsFileReader::~TSettingsFileReader() {
    root_ = Xml::Node();  // the root before the document
    document_ = Xml::Document();
}

std::wstring TSettingsFileReader::Text(const std::wstring& element) const {
    if (!root_) return std::wstring();
    const Xml::Node found = root_.FindChild(element);
    return found ? found.Text() : std::wstring();
}
