#include "job/SettingsFile.h"

#include "files/FilePaths.h"
#include "job/TempFolder.h"

#include <windows.h>

namespace {

const wchar_t kSettingsFile[] = L"Velmora\\UpdaterSettings.xml";

// One element of the file and the job's value it holds: a text, or a flag
// written as "1" or "0".
struct SettingsKey {
    const wchar_t* Element;
    std::wstring& (*Text)(Job&);
    bool& (*Flag)(Job&);
    bool OmittedWhenEmpty;
};

// The keys in file order. The URL and the target folder come first: without
// them nothing else is read.
const SettingsKey kKeys[] = {
    {L"FileOnWeb", [](Job& job) -> std::wstring& { return job.Url; }, nullptr, false},
    {L"TargetFilePath", [](Job& job) -> std::wstring& { return job.TargetFolder; }, nullptr, false},
    {L"CommandLineParameters", [](Job& job) -> std::wstring& { return job.SetupArguments; }, nullptr, false},
    {L"AutoStartTargetFile", nullptr, [](Job& job) -> bool& { return job.StartSetup; }, false},
    {L"RegistryKey", [](Job& job) -> std::wstring& { return job.RegistryKey; }, nullptr, true},
    {L"UpdaterMinimized", nullptr, [](Job& job) -> bool& { return job.Window.StartInTray; }, false},
    {L"TopText", [](Job& job) -> std::wstring& { return job.Window.Title; }, nullptr, false},
    {L"BottomTextPart1", [](Job& job) -> std::wstring& { return job.Window.SizePrefix; }, nullptr, false},
    {L"BottomTextPart2", [](Job& job) -> std::wstring& { return job.Window.SizeSuffix; }, nullptr, false},
    {L"is_use_proxy", nullptr, [](Job& job) -> bool& { return job.Proxy.Enabled; }, false},
    {L"ProxyAddress", [](Job& job) -> std::wstring& { return job.Proxy.Host; }, nullptr, false},
    {L"ProxyPort", [](Job& job) -> std::wstring& { return job.Proxy.Port; }, nullptr, false},
    {L"is_authorization_required", nullptr, [](Job& job) -> bool& { return job.Proxy.AuthorizationRequired; },
     false},
    {L"ProxyUsername", [](Job& job) -> std::wstring& { return job.Proxy.Username; }, nullptr, false},
    {L"ProxyPassword", [](Job& job) -> std::wstring& { return job.Proxy.Password; }, nullptr, false},
};

}  // namespace

std::wstring SettingsFilePath() {
    const std::wstring folder = GetTempPathAsReported();
    return folder.empty() ? std::wstring() : folder + kSettingsFile;
}

std::vector<std::wstring> SettingsFileElements() {
    std::vector<std::wstring> elements;
    for (const SettingsKey& key : kKeys) elements.emplace_back(key.Element);
    return elements;
}

bool SaveSettingsFile(const Job& job) {
    const std::wstring path = SettingsFilePath();
    if (path.empty()) return false;  // nowhere to write: never build a path from nothing
    if (PathExists(path)) DeleteFileW(path.c_str());  // a failure shows up when saving
    Job values = job;  // the table's accessors take a job they may write
    try {
        Xml::Document document = Xml::Document::New();
        Xml::Node root = document.AddDocumentElement(L"Settings");
        for (const SettingsKey& key : kKeys) {
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

std::optional<Job> LoadSettingsFile() {
    const SettingsFileReader reader;
    Job job;
    for (const SettingsKey& key : kKeys) {
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

SettingsFileReader::SettingsFileReader() {
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

SettingsFileReader::~SettingsFileReader() {
    root_ = Xml::Node();  // the root before the document
    document_ = Xml::Document();
}

std::wstring SettingsFileReader::Text(const std::wstring& element) const {
    if (!root_) return std::wstring();
    const Xml::Node found = root_.FindChild(element);
    return found ? found.Text() : std::wstring();
}
