#include "net/ProxyScriptEvaluation.h"

#include "net/Url.h"
#include "net/WinHttpHandle.h"

#include <string>
#include <vector>

namespace Net {

namespace {

// A script larger than this is no proxy script.
constexpr size_t kScriptLimit = 1 << 20;

std::optional<std::string> TryFetchScript(HINTERNET session, const std::wstring& scriptUrl) {
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(scriptUrl.c_str(), 0, 0, &parts)) return std::nullopt;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                              std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    const UniqueHWinHttp connect(WinHttpConnect(session, host.c_str(), parts.nPort, 0));
    if (!connect) return std::nullopt;
    const UniqueHWinHttp request(WinHttpOpenRequest(connect.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                                    WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                    parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return std::nullopt;
    // No logon is offered here: a script server that asks for one is left to
    // the service's own look-up, whose answer then stands.
    DWORD policy = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof policy);
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return std::nullopt;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
        status != 200)
        return std::nullopt;
    std::string script;
    char buffer[8192];
    for (DWORD read = 0;; script.append(buffer, read)) {
        if (!WinHttpReadData(request.get(), buffer, sizeof buffer, &read)) return std::nullopt;
        if (read == 0) break;
        if (script.size() + read > kScriptLimit) return std::nullopt;
    }
    return script;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The engine's interface, as wininet.h declares it (which cannot be included
// beside winhttp.h).
struct ScriptBuffer {
    DWORD dwStructSize;
    LPSTR lpszScriptBuffer;
    DWORD dwScriptBufferSize;
};
using pfnInternetInitializeAutoProxyDll = BOOL(CALLBACK*)(DWORD, LPSTR, LPSTR, void*, ScriptBuffer*);
using pfnInternetGetProxyInfo = BOOL(CALLBACK*)(LPCSTR, DWORD, LPSTR, DWORD, LPSTR*, LPDWORD);
using pfnInternetDeInitializeAutoProxyDll = BOOL(CALLBACK*)(LPSTR, DWORD);

// The engine's entry points, loaded from System32 only and unloaded when the
// evaluation is done.
struct ScriptEngine {
    ScriptEngine() : Module(LoadLibraryExW(L"jsproxy.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        if (!Module) return;
        Initialize = reinterpret_cast<pfnInternetInitializeAutoProxyDll>(
            reinterpret_cast<void*>(GetProcAddress(Module, "InternetInitializeAutoProxyDll")));
        GetProxyInfo = reinterpret_cast<pfnInternetGetProxyInfo>(
            reinterpret_cast<void*>(GetProcAddress(Module, "InternetGetProxyInfo")));
        Deinitialize = reinterpret_cast<pfnInternetDeInitializeAutoProxyDll>(
            reinterpret_cast<void*>(GetProcAddress(Module, "InternetDeInitializeAutoProxyDll")));
    }
    ~ScriptEngine() {
        if (Module) FreeLibrary(Module);
    }
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    bool Usable() const { return Initialize && GetProxyInfo && Deinitialize; }

    HMODULE Module;
    pfnInternetInitializeAutoProxyDll Initialize = nullptr;
    pfnInternetGetProxyInfo GetProxyInfo = nullptr;
    pfnInternetDeInitializeAutoProxyDll Deinitialize = nullptr;
};

}  // namespace

std::optional<std::wstring> TryEvaluateProxyScript(HINTERNET session, const std::wstring& scriptUrl,
                                                   const std::wstring& url) {
    std::optional<std::string> script = TryFetchScript(session, scriptUrl);
    if (!script) return std::nullopt;
    const ScriptEngine engine;
    if (!engine.Usable()) return std::nullopt;
    ScriptBuffer buffer = {};
    buffer.dwStructSize = sizeof buffer;
    buffer.lpszScriptBuffer = &(*script)[0];
    buffer.dwScriptBufferSize = static_cast<DWORD>(script->size() + 1);
    if (!engine.Initialize(0, nullptr, nullptr, nullptr, &buffer)) return std::nullopt;
    // URLs and host names reach the engine in ASCII (a host in its punycode form).
    const std::string urlA = Narrow(url);
    std::string hostA = Narrow(SplitUrl(url).Host);
    LPSTR answer = nullptr;
    DWORD length = 0;
    std::optional<std::wstring> result;
    if (engine.GetProxyInfo(urlA.c_str(), static_cast<DWORD>(urlA.size()), &hostA[0],
                            static_cast<DWORD>(hostA.size()), &answer, &length) &&
        answer) {
        result = std::wstring(answer, answer + std::char_traits<char>::length(answer));
        // The engine's answer is the caller's to free, as fixed global memory.
        GlobalFree(answer);
    }
    engine.Deinitialize(nullptr, 0);
    return result;
}

}  // namespace Net
