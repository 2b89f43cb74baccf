// The headers of a PE image, read through an open file (PE format: the DOS
// header's e_lfanew leads to "PE\0\0", the file header and the optional
// header follow).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

// Reads exactly `size` bytes at `offset` of `file`; false when fewer are
// there (a read cut short by the end of the file included).
bool ReadAt(HANDLE file, std::uint64_t offset, void* buffer, DWORD size);

struct PeHeaders {
    IMAGE_FILE_HEADER File;
    std::uint64_t OptionalHeaderOffset;  // where the optional header starts in the file
};

// Returns the headers of the PE image in `file`: an "MZ" header whose
// e_lfanew leads to "PE\0\0" and a whole file header after it; nullopt for
// any other content.
std::optional<PeHeaders> ReadPeHeaders(HANDLE file);
