// One question to the platform's proxy-script service (WinHTTP's automatic
// proxy): which proxy serves this URL, answered within a deadline.
#pragma once

#include "net/AbortSignal.h"

#include <string>

namespace Net {

// Where the answer comes from: the script at ScriptUrl (when not empty) and,
// when that gives none, the script that automatic detection (WPAD) finds.
struct ScriptSource {
    std::wstring ScriptUrl;
    bool AutoDetect = false;
};

// A plain value.
struct ScriptAnswer {
    std::wstring Proxy;     // the proxies named for the URL as the service lists them (ProxyList.h); empty: directly
    bool TimedOut = false;  // the deadline passed first (Proxy is then empty)
};

// Asks for the proxy of `url` on a thread of its own and waits at most
// `deadlineMs` for the answer. The script sees `url` as browsers give it: an
// https URL as "https://host[:port]/", an http URL without its query and
// fragment. The user's Windows logon is offered only to the server of the
// source's ScriptUrl, and only when it asked for one (never to a script that
// detection found). No answer (DIRECT, no script found, any error,
// the deadline) means a direct connection. Raises HttpError (Aborted) at once
// when `abort` is set while it waits. A look-up past its deadline goes on in
// the background and frees what it holds when it ends.
ScriptAnswer FindScriptProxy(const std::wstring& url, const ScriptSource& source, unsigned long deadlineMs,
                              const AbortSignal& abort);

}  // namespace Net
