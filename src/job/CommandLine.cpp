#include "job/CommandLine.h"

#include "files/FileNaming.h"
#include "win/Unique.h"

#include <windows.h>
#include <shellapi.h>

std::vector<std::wstring> ProcessArguments() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const Win::UniqueHLocal owner(argv);
    std::vector<std::wstring> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv[i]);
    return arguments;
}

std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos &&
        argument.find(kUpLevelCurDirMacro) == std::wstring::npos)
        return argument;
    // The rules CommandLineToArgvW reads by: 2n backslashes before a quote
    // stand for n and the quote delimits; 2n+1 stand for n and a literal
    // quote; backslashes before anything else stand for themselves.
    std::wstring quoted = L"\"";
    for (size_t at = 0;; ++at) {
        size_t backslashes = 0;
        for (; at < argument.size() && argument[at] == L'\\'; ++at) ++backslashes;
        if (at == argument.size()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        if (argument[at] == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        quoted += argument[at];
    }
    return quoted + L'"';
}

std::wstring JoinArguments(const std::vector<std::wstring>& arguments) {
    std::wstring joined;
    for (const std::wstring& argument : arguments) {
        if (!joined.empty()) joined += L' ';
        joined += QuoteArgument(argument);
    }
    return joined;
}
