// The updater's own arguments, as they reach the setup it starts: one
// command line whose splitting gives the setup the very arguments the
// updater was given.
#pragma once

#include <string>
#include <vector>

// Returns the process's arguments without the program's own path, as the
// platform's command-line splitting (CommandLineToArgvW) delivers them.
std::vector<std::wstring> ProcessArguments();

// Returns `argument` as CommandLineToArgvW reads it back: unchanged when it
// is not empty and holds no white space, no quote and no "%UP_LEVEL_CUR_DIR%"
// (whose folder may hold spaces); otherwise in quotes, with each quote and
// the backslashes before it, or before the closing quote, escaped.
std::wstring QuoteArgument(const std::wstring& argument);

// Joins the quoted arguments with single spaces.
std::wstring JoinArguments(const std::vector<std::wstring>& arguments);
