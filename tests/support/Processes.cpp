#include "support/Processes.h"

#include "support/DemoSetup.h"
#include "support/Waits.h"
#include "win/Exception.h"
#include "win/Unique.h"

#include <tlhelp32.h>

#include <map>
#include <memory>

namespace TestSupport {

namespace {

// Starts `commandLine`; the one CreateProcessW of the tests. `environment` is
// a CREATE_UNICODE_ENVIRONMENT block, or null for this process's own.
PROCESS_INFORMATION Start(std::wstring commandLine, std::vector<wchar_t>* environment) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Wine fails a start with ERROR_INTERNAL_ERROR when the new process dies
    // in its loader before it has reported in (seen once in some thousands of
    // starts, on a loaded machine). No code of the started program has run then, so
    // starting it again is the same start, not a second chance for a fault.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                           environment ? CREATE_UNICODE_ENVIRONMENT : 0, environment ? environment->data() : nullptr,
                           nullptr, &startup, &process))
            return process;
        Win::ThrowLastErrorIf(GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3, "CreateProcessW");
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
    for (const auto& [name, value] : changes) variables[name] = value;
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

std::wstring UpdaterExePath() { return UnixToWindowsPath(UPDATER_EXE_UNIX_PATH); }

std::wstring UpdaterParentFolder() {
    std::wstring folder = UpdaterExePath();
    folder.erase(folder.rfind(L'\\'));  // the folder, without its trailing "\"
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

std::wstring CurrentFolder() {
    std::wstring folder(32768, L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

bool ProcessRunning(const std::wstring& exeName) {
    // A failed snapshot is INVALID_HANDLE_VALUE, as for files.
    const Win::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, exeName.c_str()) == 0) return true;
    }
    return false;
}

bool RunUnixShell(const std::string& command, bool pumpMessages) {
    const std::string marker = UniqueUnixName("/tmp/updater-test") + ".done";
    const std::string script = command + "; touch " + marker;
    const PROCESS_INFORMATION process = Start(L"Z:\\bin\\sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"",
                                              nullptr);
    // Wine starts a Unix program detached: no process handle comes back and
    // hThread holds an arbitrary value. Closing that value could close some
    // other handle of this process (seen: the cached HKEY_CURRENT_USER).
    if (process.hProcess) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    const std::wstring done = UnixToWindowsPath(marker);
    const auto finished = [&] { return FileExists(done); };
    if (!(pumpMessages ? PumpUntil(finished, 20000) : WaitUntil(finished, 20000))) return false;
    DeleteFileW(done.c_str());
    return true;
}

UpdaterRun::UpdaterRun(UpdaterRunOptions options)
    : options_(std::move(options)),
      tempFolder_(options_.TempFolder.empty() ? folder_.Path() + L"target\\" : options_.TempFolder),
      recordPath_(records_.Path() + L"setup-record.txt") {
    if (options_.TempFolder.empty())
        Win::ThrowLastErrorIf(!CreateDirectoryW(tempFolder_.c_str(), nullptr), "CreateDirectoryW");
}

UpdaterRunEnd UpdaterRun::Run(const std::wstring& arguments, const std::function<void(DWORD)>& whileRunning) const {
    std::vector<wchar_t> environment =
        EnvironmentBlock({{L"TMP", tempFolder_}, {L"TEMP", tempFolder_}, {L"DEMO_SETUP_RECORD", recordPath_}});
    UpdaterRunEnd end;
    const ULONGLONG started = GetTickCount64();
    const PROCESS_INFORMATION process = Start(L"\"" + options_.Executable + L"\"" + arguments, &environment);
    const Win::UniqueHandle processHandle(process.hProcess);
    const Win::UniqueHandle threadHandle(process.hThread);
    if (whileRunning) whileRunning(process.dwProcessId);
    if (WaitForSingleObject(process.hProcess, options_.TimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    } else {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        end.ExitCode = static_cast<long>(code);
    }
    end.ElapsedMs = static_cast<unsigned long>(GetTickCount64() - started);
    // A started setup program runs by now (ShellExecuteW returned before the
    // updater ended); once it has ended, its record is complete and has its
    // final name (it is written under a side name first).
    for (const std::wstring& file : FilesBelow(tempFolder_)) {
        const std::wstring name = file.substr(file.rfind(L'\\') + 1);
        WaitUntil([&name] { return !ProcessRunning(name); }, 10000);
    }
    return end;
}

std::optional<std::vector<std::wstring>> UpdaterRun::WaitForSetupRecord() const {
    return TestSupport::WaitForSetupRecord(recordPath_, 20000);
}

bool UpdaterRun::SetupStarted() const { return FileExists(recordPath_); }

}  // namespace TestSupport
