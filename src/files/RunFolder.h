// The folder of one run: the download, and then the setup, live in a folder
// that the run creates new inside the target folder, under a name nobody can
// guess. Nothing else is in it, so a setup started from there finds no DLL,
// and no file of another program, beside itself or in its working folder.
// None keeps state; any thread may call them.
#pragma once

#include <string>

// Creates a new folder in `parent` (which must exist) named "setup-" and 32
// random hexadecimal digits, and returns its path with a trailing "\"; never
// an existing folder (another random name is tried while one exists). Returns
// "" when none could be created, with the error in GetLastError().
std::wstring CreateRunFolder(const std::wstring& parent);

// Removes the run folder `folder` once it is empty, waiting up to a second
// while another process holds it open or a deleted file in it is still
// going; a folder that still holds anything after that (a file that could
// not be deleted) stays. "" removes nothing. Any thread.
void RemoveRunFolder(const std::wstring& folder);
