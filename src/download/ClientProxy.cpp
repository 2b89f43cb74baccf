#include "download/ClientProxy.h"

#include "net/ScriptProxyResolver.h"
#include "net/SystemProxyConfig.h"

#include <climits>
#include <memory>

bool TryClientProxy(const JobProxy& proxy, Net::ProxySettings& settings) {
    settings = Net::ProxySettings();
    if (!proxy.Enabled) return true;
    if (!TryParseInt(proxy.Port, settings.Port)) return false;
    settings.Host = proxy.Host;
    if (proxy.AuthorizationRequired) {
        settings.Username = proxy.Username;
        settings.Password = proxy.Password;
    }
    return true;
}

void ConfigureClientProxy(Net::HttpClient& client, Net::ProxySettings proxy) {
    // The bypass list is read here rather than carried by the job: the
    // settings file records the manual proxy only.
    const Net::SystemProxyConfig system = Net::ReadSystemProxyConfig();
    if (!proxy.Host.empty()) {
        proxy.Bypass = system.Bypass;
        client.SetProxy(proxy);
    } else if (!system.ScriptUrl.empty() || system.AutoDetect) {
        client.SetProxyResolver(std::make_unique<Net::ScriptProxyResolver>(
            Net::ScriptSource{system.ScriptUrl, system.AutoDetect}));
    }
}

bool TryParseInt(const std::wstring& text, int& value) {
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == L'-';
    if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) at = 1;
    if (at == text.size()) return false;
    long long magnitude = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < L'0' || text[at] > L'9') return false;
        magnitude = magnitude * 10 + (text[at] - L'0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (!negative && magnitude > INT_MAX) return false;
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}
