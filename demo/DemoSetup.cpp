// A stand-in for the setup program the updater downloads and starts. It shows
// nothing and records how it was started: its own path, the working folder
// and the command-line tail, one per line in UTF-8, into the file named by
// the environment variable DEMO_SETUP_RECORD, or next to itself as
// demo-setup-received.txt when the variable is not set. Bytes appended to
// the executable (to make a larger download) do not change what it does.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring ModulePath() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::wstring CurrentFolder() {
    std::wstring folder(32768, L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

// The command line without the program's own name, as the program sees it.
std::wstring ArgumentsTail() {
    const wchar_t* line = GetCommandLineW();
    bool quoted = false;
    for (; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line) {
        if (*line == L'"') quoted = !quoted;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return line;
}

std::wstring RecordPath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"DEMO_SETUP_RECORD", path.data(), static_cast<DWORD>(path.size()));
    if (length > 0 && length < path.size()) {
        path.resize(length);
        return path;
    }
    const std::wstring self = ModulePath();
    return self.substr(0, self.find_last_of(L'\\') + 1) + L"demo-setup-received.txt";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::string record = Utf8(ModulePath()) + "\n" + Utf8(CurrentFolder()) + "\n" + Utf8(ArgumentsTail()) + "\n";
    // Written to a side name and renamed, so a reader never sees half a record.
    const std::wstring path = RecordPath();
    const std::wstring partial = path + L".partial";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != record.size()) return 1;
    return MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
