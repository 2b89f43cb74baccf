#include "support/TestSupport.h"

#include "support/WindowFinder.h"
#include "win/Exception.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <atomic>
#include <memory>
#include <vector>

namespace TestSupport {

namespace {

std::optional<std::wstring> GetEnvironment(const std::wstring& name) {
    const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), size);
    value.resize(length);
    return value;
}

std::wstring ProcessTempFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    Win::ThrowLastErrorIf(length == 0 || length > MAX_PATH, "GetTempPathW");
    return std::wstring(path, length);
}

const wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

void SetOrDelete(HKEY key, const wchar_t* name, const std::optional<unsigned long>& value) {
    if (value) {
        const DWORD data = *value;
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    } else {
        RegDeleteValueW(key, name);
    }
}

void SetOrDelete(HKEY key, const wchar_t* name, const std::optional<std::wstring>& value) {
    if (value) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                       static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
    } else {
        RegDeleteValueW(key, name);
    }
}

// An environment block: this process's variables with `changes` applied, sorted as Windows expects.
std::vector<wchar_t> EnvironmentBlock(const std::map<std::wstring, std::wstring>& changes) {
    std::map<std::wstring, std::wstring> variables;
    const std::unique_ptr<wchar_t, decltype(&FreeEnvironmentStringsW)> block(GetEnvironmentStringsW(),
                                                                             &FreeEnvironmentStringsW);
    for (const wchar_t* entry = block.get(); *entry; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        const size_t equals = text.find(L'=', 1);  // "=C:=C:\..." entries start with "="
        if (equals != std::wstring::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : changes) {
        if (value.empty())
            variables.erase(name);
        else
            variables[name] = value;
    }
    std::vector<wchar_t> result;
    for (const auto& [name, value] : variables) {
        const std::wstring entry = name + L"=" + value;
        result.insert(result.end(), entry.begin(), entry.end());
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

}  // namespace

ScratchFolder::ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    path_ = ProcessTempFolder() + L"test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"\\";
    RemoveTree(path_);
    Win::ThrowLastErrorIf(!CreateDirectoryW(path_.c_str(), nullptr), "CreateDirectoryW");
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::wstring name, const std::optional<std::wstring>& value)
    : name_(std::move(name)), previous_(GetEnvironment(name_)) {
    SetEnvironmentVariableW(name_.c_str(), value ? value->c_str() : nullptr);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

ScopedTempFolder::ScopedTempFolder(const std::wstring& folder) : tmp_(L"TMP", folder), temp_(L"TEMP", folder) {}

ScopedSystemProxy::ScopedSystemProxy(std::optional<unsigned long> enable, const std::optional<std::wstring>& server) {
    HKEY key = nullptr;
    Win::ThrowIfFailed(HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0,
                                                          KEY_READ | KEY_WRITE, nullptr, &key, nullptr)),
                       "RegCreateKeyExW");
    key_.reset(key);
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExW(key, L"ProxyEnable", nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) == 0)
        oldEnable_ = data;
    wchar_t text[1024] = {};
    size = sizeof text - sizeof(wchar_t);
    if (RegQueryValueExW(key, L"ProxyServer", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) == 0)
        oldServer_ = std::wstring(text);
    SetOrDelete(key, L"ProxyEnable", enable);
    SetOrDelete(key, L"ProxyServer", server);
}

ScopedSystemProxy::~ScopedSystemProxy() {
    SetOrDelete(key_.get(), L"ProxyEnable", oldEnable_);
    SetOrDelete(key_.get(), L"ProxyServer", oldServer_);
}

ScratchRegistryKey::ScratchRegistryKey() {
    static std::atomic<unsigned> counter{0};
    subKey_ = L"Software\\UpdaterTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str());
    HKEY key = nullptr;
    Win::ThrowIfFailed(HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0,
                                                          KEY_ALL_ACCESS, nullptr, &key, nullptr)),
                       "RegCreateKeyExW");
    key_.reset(key);
}

ScratchRegistryKey::~ScratchRegistryKey() {
    key_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, subKey_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, subKey_.c_str());
}

std::string ReadFileBytes(const std::wstring& path) {
    Win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    Win::ThrowLastErrorIf(!file, "CreateFileW");
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    Win::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Win::ThrowLastErrorIf(!file, "CreateFileW");
    DWORD written = 0;
    Win::ThrowLastErrorIf(!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr),
                          "WriteFile");
}

std::string Utf8(const std::wstring& text) { return Win::ToUtf8(text); }

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

void RemoveTree(const std::wstring& path) {
    std::wstring folder = path;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    WIN32_FIND_DATAW entry;
    Win::UniqueFile find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (find) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = folder + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find.get(), &entry));
    }
    find.reset();
    RemoveDirectoryW(folder.c_str());
}

std::wstring UnixToWindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

std::wstring UpdaterExePath() { return UnixToWindowsPath(UPDATER_EXE_UNIX_PATH); }

long RunProcess(const std::wstring& commandLine, const std::map<std::wstring, std::wstring>& environment,
                unsigned long timeoutMs, const std::function<void(DWORD)>& whileRunning) {
    std::vector<wchar_t> block = EnvironmentBlock(environment);
    std::wstring command = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    Win::ThrowLastErrorIf(!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                                          CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &startup, &process),
                          "CreateProcessW");
    const Win::UniqueHandle processHandle(process.hProcess);
    const Win::UniqueHandle threadHandle(process.hThread);
    if (whileRunning) whileRunning(process.dwProcessId);
    if (WaitForSingleObject(process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<long>(code);
}

bool RunUnixShell(const std::string& command, bool pumpMessages) {
    static std::atomic<int> count{0};
    const std::string marker =
        "/tmp/updater-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count) + ".done";
    const std::string script = command + "; touch " + marker;
    std::wstring line = L"Z:\\bin\\sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    Win::ThrowLastErrorIf(!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                          &startup, &process),
                          "CreateProcessW");
    // Wine starts a Unix program detached: no process handle comes back and
    // hThread holds an arbitrary value. Closing that value could close some
    // other handle of this process (seen: the cached HKEY_CURRENT_USER).
    if (process.hProcess) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::wstring done = L"Z:" + std::wstring(marker.begin(), marker.end());
    std::replace(done.begin(), done.end(), L'/', L'\\');
    const auto finished = [&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; };
    if (!(pumpMessages ? PumpUntil(finished, 20000) : WaitUntil(finished, 20000))) return false;
    DeleteFileW(done.c_str());
    return true;
}

bool WaitUntil(const std::function<bool()>& done, unsigned long timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        Sleep(20);
    }
    return true;
}

bool PumpUntil(const std::function<bool()>& done, unsigned long timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

int CloseToolkitWindowOf(DWORD processId, unsigned long timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        const std::vector<HWND> windows = TopLevelWindows(processId, L"ToolkitWindow");
        if (!windows.empty()) {
            PostMessageW(windows.front(), WM_CLOSE, 0, 0);
            return 1;
        }
        Sleep(20);
    } while (GetTickCount64() < end);
    return 0;
}

std::wstring CurrentFolder() {
    std::wstring folder(32768, L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

int StartedDensity() {
    const char* density = std::getenv("UPDATER_TEST_DENSITY");
    return density && *density ? std::atoi(density) : 96;
}

}  // namespace TestSupport
