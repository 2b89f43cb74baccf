#include "support/UpdaterRun.h"

#include "support/WindowFinder.h"

#include <sstream>

namespace TestSupport {

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

std::string DemoSetupDownload(std::size_t padding) {
    std::string bytes = ReadFileBytes(UnixToWindowsPath(DEMO_SETUP_UNIX_PATH));
    for (std::size_t i = 0; i < padding; ++i) bytes += static_cast<char>(i % 251);
    return bytes;
}

std::wstring UpdaterParentFolder() {
    std::wstring folder = UpdaterExePath();
    folder.erase(folder.rfind(L'\\'));      // the folder, without its trailing "\"
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

HWND ProgressBarOf(HWND window) {
    HWND bar = nullptr;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM found) -> BOOL {
            wchar_t name[64] = {};
            GetClassNameW(child, name, 64);
            if (_wcsicmp(name, L"msctls_progress32") != 0) return TRUE;
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&bar));
    return bar;
}

HWND WaitForToolkitWindow(DWORD processId, unsigned long timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        const std::vector<HWND> windows = TopLevelWindows(processId, L"ToolkitWindow");
        if (!windows.empty()) return windows.front();
        Sleep(20);
    } while (GetTickCount64() < end);
    return nullptr;
}

bool WaitForBodyBytes(const BuiltInUrlServer& server, unsigned long long bytes) {
    const ULONGLONG end = GetTickCount64() + 20000;
    while (server.BodyBytesSent() < bytes) {
        if (GetTickCount64() > end) return false;
        Sleep(20);
    }
    return true;
}

UpdaterRun::UpdaterRun(std::wstring exe) : exe_(std::move(exe)) {}

UpdaterRun::~UpdaterRun() {
    // A started setup program may still hold its file for a moment.
    for (int i = 0; i < 100; ++i) {
        bool busy = false;
        for (const std::wstring& name : FilesIn(temp_.Path()))
            busy |= !DeleteFileW((temp_.Path() + name).c_str()) && Exists(temp_.Path() + name);
        if (!busy) break;
        Sleep(50);
    }
}

long UpdaterRun::Run(const std::wstring& arguments, const std::function<void(DWORD)>& whileRunning) const {
    return RunProcess(L"\"" + exe_ + L"\"" + arguments,
                      {{L"TMP", temp_.Path()}, {L"TEMP", temp_.Path()},
                       {L"DEMO_SETUP_RECORD", records_.Path() + L"setup-record.txt"}},
                      60000, whileRunning);
}

TrickledRun::TrickledRun(std::size_t padding, unsigned long bytesPerSecond)
    : Download(DemoSetupDownload(padding)), Server(ServerAnswer::Body(Download, bytesPerSecond)),
      ProxyOff(0ul, std::nullopt) {}

bool UpdaterRun::SetupStarted() const { return Exists(records_.Path() + L"setup-record.txt"); }

std::optional<std::vector<std::wstring>> UpdaterRun::WaitForSetupRecord() const {
    const std::wstring path = records_.Path() + L"setup-record.txt";
    const ULONGLONG end = GetTickCount64() + 20000;
    for (;;) {
        // The program writes its record under a side name and renames it: it appears whole.
        if (Exists(path)) {
            std::vector<std::wstring> lines;
            std::istringstream text(ReadFileBytes(path));
            for (std::string line; std::getline(text, line);) {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                lines.push_back(FromUtf8(line));
            }
            if (lines.size() >= 3) return lines;
        }
        if (GetTickCount64() > end) return std::nullopt;
        Sleep(20);
    }
}

}  // namespace TestSupport
