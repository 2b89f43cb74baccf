// The one job built into the updater, composed on every start.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Composes the built-in job, writes the settings file and builds the global
// UpdaterSettings from it. Start-up only, on the main thread, COM initialised.
void ComposeBuiltInJob();

// Returns "Russian" for a Russian user interface, "English" otherwise.
std::wstring GetUILanguageName();

// The same for a given UI language identifier (only the primary language counts).
std::wstring UILanguageNameFor(LANGID language);

// Returns the process's arguments without the program's own path, as the
// platform's command-line splitting delivers them.
std::vector<std::wstring> ProcessArguments();

// Joins arguments with single spaces, adding no quotes.
std::wstring JoinArguments(const std::vector<std::wstring>& arguments);
