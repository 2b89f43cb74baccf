// The job's proxy as the HTTP client takes it.
#pragma once

#include "job/Job.h"
#include "net/HttpClient.h"

#include <optional>
#include <string>

// Returns the client's proxy for the job's proxy: an empty host for a direct
// connection; the user name and password only when the proxy asks for them.
// Returns nothing when the proxy is on and its port is no number (nothing can
// be downloaded then).
std::optional<Net::ProxySettings> TryClientProxy(const JobProxy& proxy);

// Gives `client` its way to the network: the job's manual proxy (`proxy`, Host
// not empty) with the system's bypass list; otherwise the system's proxy
// script or automatic detection, asked per URL, when either is configured;
// otherwise direct connections. Reads the current user's Internet settings.
void ConfigureClientProxy(Net::HttpClient& client, Net::ProxySettings proxy);

// Parses a decimal 32-bit integer (optional sign, nothing else); nothing when it is none.
std::optional<int> TryParseInt(const std::wstring& text);
