#include "completion/RegistryPath.h"

#include <utility>

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

RegistryPathParts SplitRegistryPath(const std::wstring& path) {
    const size_t delimiter = path.find(L'\\');
    if (delimiter == std::wstring::npos) return {path, std::wstring()};
    return {path.substr(0, delimiter), path.substr(delimiter)};
}

HKEY RegistryRootByName(const std::wstring& name) {
    for (const RootName& root : kRoots)
        if (name == root.name) return root.key;
    return nullptr;
}

RegistryKeyPlace ParseRegistryPath(const std::wstring& path) {
    RegistryPathParts parts = SplitRegistryPath(path);
    return {RegistryRootByName(parts.RootName), std::move(parts.KeyPath)};
}
