// Registry paths written as one text: a root name, a backslash, a key path.
#pragma once

#include <windows.h>

#include <string>

// A registry path's two parts as written.
struct RegistryPathParts {
    std::wstring RootName;
    std::wstring KeyPath;  // from the first "\" on, beginning with it; empty without one
};

// A registry key's place: a predefined root key and the key path below it.
struct RegistryKeyPlace {
    HKEY Root = nullptr;  // null for an unknown root name
    std::wstring KeyPath;
};

// Splits at the first "\": the root name before it, the key path from it on
// (beginning with the "\"); without one, the whole text is the root name.
RegistryPathParts SplitRegistryPath(const std::wstring& path);

// Returns the predefined root key of an exactly spelled root name, or null.
HKEY RegistryRootByName(const std::wstring& name);

// Returns the root key of `path` (null for an unknown root) and its key path.
RegistryKeyPlace ParseRegistryPath(const std::wstring& path);
