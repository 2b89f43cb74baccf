#include "completion/RegistryResult.h"

#include "completion/RegistryPath.h"
#include "win/Exception.h"
#include "win/Unique.h"

namespace {

void SetValue(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    if (RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
        throw Win::Exception(std::wstring(L"Failed to set data for '") + name + L"'");
}

}  // namespace

bool RecordDownloadResult(const std::wstring& registryPath, const std::wstring& finalPath) {
    if (registryPath.empty()) return false;
    auto [root, keyPath] = ParseRegistryPath(registryPath);
    if (!root) return false;
    // A leading "\" marks a path from the root; the key itself is opened, never created.
    if (!keyPath.empty() && keyPath.front() == L'\\') keyPath.erase(0, 1);
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_READ | KEY_WRITE, &opened) != ERROR_SUCCESS) return false;
    const Win::UniqueHKey key(opened);

    const DWORD done = 0;
    SetValue(key.get(), L"Done", REG_DWORD, &done, sizeof done);
    // The full path: the file lives in a folder of the run's own, whose
    // name the program that reads the result cannot know.
    SetValue(key.get(), L"FinalFileName", REG_SZ, finalPath.c_str(),
             static_cast<DWORD>((finalPath.size() + 1) * sizeof(wchar_t)));
    return true;
}
