// What the proxy-script look-up asked the platform, as a test program that
// links tests/seams/RecordingScriptProxyQuery.cpp records it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace TestSupport {

// One call of WinHttpGetProxyForUrl, as the look-up made it.
struct ScriptProxyQuestion {
    std::wstring url;        // the URL the script was given
    bool detection = false;  // WINHTTP_AUTOPROXY_AUTO_DETECT, else WINHTTP_AUTOPROXY_CONFIG_URL
    std::wstring scriptUrl;  // the script's address, for a configured script
    bool autoLogon = false;  // fAutoLogonIfChallenged
    DWORD error = 0;         // what the call reported: 0 for an answer, else its last error
};

// Returns the calls made since the last time, in order, and forgets them.
std::vector<ScriptProxyQuestion> TakeScriptProxyQuestions();

// While on, every call without fAutoLogonIfChallenged (after the real call,
// whose answer is dropped) fails with ERROR_WINHTTP_LOGIN_FAILURE, as Windows
// reports a script server that answered 401: Wine reports
// ERROR_WINHTTP_UNABLE_TO_DOWNLOAD_SCRIPT there, with or without the flag, and
// never answers a challenge. Calls with the flag get the real answer.
void SetScriptServerAsksForLogon(bool asks);

}  // namespace TestSupport
