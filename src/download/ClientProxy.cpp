#include "download/ClientProxy.h"

#include "net/ScriptProxyResolver.h"
#include "net/SystemProxyConfig.h"

#include <climits>
#include <memory>

std::optional<Net::ProxySettings> TryClientProxy(const JobProxy& proxy) {
    Net::ProxySettings settings;
    if (!proxy.Enabled) return settings;
    const std::optional<int> port = TryParseInt(proxy.Port);
    if (!port) return std::nullopt;
    settings.Port = *port;
    settings.Host = proxy.Host;
    if (proxy.AuthorizationRequired) {
        settings.Username = proxy.Username;
        settings.Password = proxy.Password;
    }
    return settings;
}

void ConfigureClientProxy(Net::HttpClient& client, Net::ProxySettings proxy) {
    // The bypass list is read here rather than carried by the job: the
    // settings file records the manual proxy only.
    const Net::SystemProxyConfig system = Net::ReadSystemProxyConfig();
    if (!proxy.Host.empty()) {
        proxy.Bypass = system.Bypass;
        client.SetProxy(proxy);
    } else if (!system.ScriptUrl.empty() || system.AutoDetect) {
        client.SetProxyResolver(
            std::make_unique<Net::ScriptProxyResolver>(Net::ScriptSource{system.ScriptUrl, system.AutoDetect}));
    }
}

std::optional<int> TryParseInt(const std::wstring& text) {
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == L'-';
    if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) at = 1;
    if (at == text.size()) return std::nullopt;
    long long magnitude = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < L'0' || text[at] > L'9') return std::nullopt;
        magnitude = magnitude * 10 + (text[at] - L'0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (!negative && magnitude > INT_MAX) return std::nullopt;
    return static_cast<int>(negative ? -magnitude : magnitude);
}
