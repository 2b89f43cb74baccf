// The job's proxy as the HTTP client takes it.
#pragma once

#include "job/Job.h"
#include "net/HttpClient.h"

#include <string>

// Sets `settings` from the job's proxy: an empty host for a direct connection;
// the user name and password only when the proxy asks for them. Returns false
// when the proxy is on and its port is no number (nothing can be downloaded then).
bool TryClientProxy(const JobProxy& proxy, Net::ProxySettings& settings);

// Gives `client` its way to the network: the job's manual proxy (`proxy`, Host
// not empty) with the system's bypass list; otherwise the system's proxy
// script or automatic detection, asked per URL, when either is configured;
// otherwise direct connections. Reads the current user's Internet settings.
void ConfigureClientProxy(Net::HttpClient& client, Net::ProxySettings proxy);

// Parses a decimal 32-bit integer (optional sign, nothing else); false when it is none.
bool TryParseInt(const std::wstring& text, int& value);
