// The way out of a download that did not end in a started setup: the user
// gets the address in the browser and can fetch the file by hand.
#pragma once

#include <windows.h>

#include <string>

// Tells whether `url` is an absolute http or https address (scheme in any
// case) with no space, control character or quote in it.
bool IsWebAddress(const std::wstring& url);

// Opens `url` in the default browser, owned by `owner` (may be null); does
// nothing for any other kind of text (a program's path, "file:", a search
// protocol), which the shell would otherwise run or open. Any thread; joins
// the thread to COM for the call, as shell extensions need.
void OpenInBrowser(const std::wstring& url, HWND owner);
