// Registry paths written as one text: a root name, a backslash, a key path.
#pragma once

#include <windows.h>

#include <string>

// Splits at the first "\": the root name before it, the key path from it on
// (beginning with the "\"); without one, the whole text is the root name.
void SplitRegistryPath(const std::wstring& path, std::wstring& rootName, std::wstring& keyPath);

// Returns the predefined root key of an exactly spelled root name, or null.
HKEY RegistryRootByName(const std::wstring& name);

// Returns the root key of `path` (null for an unknown root) and its key path.
HKEY ParseRegistryPath(const std::wstring& path, std::wstring& keyPath);
