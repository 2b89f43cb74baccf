#include "support/FolderRun.h"

#include "support/TestSupport.h"

#include <tlhelp32.h>

#include <algorithm>

namespace TestSupport {

const wchar_t kSettingsFileOfRun[] = L"target\\Velmora\\UpdaterSettings.xml";

namespace {

void CollectFiles(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>& files) {
    WIN32_FIND_DATAW entry;
    Win::UniqueFile find(FindFirstFileW((folder + prefix + L"*").c_str(), &entry));
    if (!find) return;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(folder, prefix + name + L"\\", files);
        else
            files.push_back(prefix + name);
    } while (FindNextFileW(find.get(), &entry));
}

}  // namespace

bool ProcessRuns(const std::wstring& exeName) {
    const Win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (_wcsicmp(entry.szExeFile, exeName.c_str()) == 0) return true;
    return false;
}

std::vector<std::wstring> FilesBelow(const std::wstring& folder) {
    std::vector<std::wstring> files;
    CollectFiles(folder, L"", files);
    std::sort(files.begin(), files.end());
    return files;
}

TUpdaterRunResult RunUpdater(const std::wstring& runFolder, const std::wstring& recordPath, unsigned long timeoutMs,
                             const std::function<void(DWORD)>& whileRunning) {
    const std::wstring target = runFolder + L"target\\";
    CreateDirectoryW(target.c_str(), nullptr);
    DeleteFileW(recordPath.c_str());
    TUpdaterRunResult result;
    result.exitCode = RunProcess(L"\"" + UpdaterExePath() + L"\"",
                                 {{L"TMP", target}, {L"TEMP", target}, {L"DEMO_SETUP_RECORD", recordPath}},
                                 timeoutMs, whileRunning);
    // A started setup program runs by now (ShellExecuteW returned before the
    // updater ended); once it has ended, its record is complete and has its
    // final name (it is written under a side name first).
    for (const std::wstring& file : FilesBelow(runFolder)) {
        const std::wstring name = file.substr(file.rfind(L'\\') + 1);
        for (int i = 0; i < 500 && ProcessRuns(name); ++i) Sleep(20);
    }
    result.files = FilesBelow(runFolder);
    if (GetFileAttributesW(recordPath.c_str()) != INVALID_FILE_ATTRIBUTES) result.setupRecord = ReadFileBytes(recordPath);
    return result;
}

}  // namespace TestSupport
