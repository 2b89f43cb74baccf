// What kind of program a downloaded file is, by its name and by its content.
// Only the two kinds a setup comes as are ever started: the shell picks the
// program that opens a file by its extension, while a signature check judges
// its content, so the two must agree.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

enum class SetupKind {
    Executable,  // a PE image named ".exe": a program, not a DLL, for a machine this Windows runs
    Installer,   // a Windows Installer package (a compound file) named ".msi"
};

// Returns the kind the name of `path` promises (its extension, in any case),
// or nullopt for any other name.
std::optional<SetupKind> SetupKindOfName(const std::wstring& path);

// Tells whether the content of the open `file` is of `kind`: an "MZ" header
// whose e_lfanew leads to "PE\0\0" and a file header marking an executable
// image (not a DLL) for x64, x86 or, on an ARM64 machine, ARM64; or the
// compound-file signature D0 CF 11 E0 A1 B1 1A E1. Reads through the handle
// (which must allow reading), so the bytes judged are those of that open file.
bool ContentIsOfKind(HANDLE file, SetupKind kind);
