#include "completion/RegistryPath.h"

namespace {

struct RootName {
    const wchar_t* name;
    HKEY key;
};

// HKEY_PERFORMANCE_DATA is left out on purpose: it is no place for values.
const RootName kRoots[] = {
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},     {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},   {L"HKEY_USERS", HKEY_USERS},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {L"HKEY_DYN_DATA", HKEY_DYN_DATA},
};

}  // namespace

void SplitRegistryPath(const std::wstring& path, std::wstring& rootName, std::wstring& keyPath) {
    const size_t delimiter = path.find(L'\\');
    if (delimiter == std::wstring::npos) {
        rootName = path;
        keyPath.clear();
    } else {
        rootName = path.substr(0, delimiter);
        keyPath = path.substr(delimiter);
    }
}

HKEY RegistryRootByName(const std::wstring& name) {
    for (const RootName& root : kRoots)
        if (name == root.name) return root.key;
    return nullptr;
}

HKEY ParseRegistryPath(const std::wstring& path, std::wstring& keyPath) {
    std::wstring rootName;
    SplitRegistryPath(path, rootName, keyPath);
    return RegistryRootByName(rootName);
}
