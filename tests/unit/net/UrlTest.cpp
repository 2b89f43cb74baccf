// Locations, URL parts and proxy credentials as the HTTP client builds them.
#include "net/HttpError.h"
#include "net/Url.h"

#include <gtest/gtest.h>

namespace {

struct CredentialsCase {
    const char* Name;
    const wchar_t* User;
    const wchar_t* Password;
    const wchar_t* Expected;
};

void PrintTo(const CredentialsCase& c, std::ostream* os) { *os << c.Name; }

class BasicCredentialsTest : public ::testing::TestWithParam<CredentialsCase> {};

// The Basic value is Base64 of the UTF-8 "user:password" (RFC 7617's own examples).
TEST_P(BasicCredentialsTest, Encodes) {
    EXPECT_EQ(Net::BasicCredentials(GetParam().User, GetParam().Password), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Net, BasicCredentialsTest,
    ::testing::Values(CredentialsCase{"Empty", L"", L"", L"Basic Og=="},
                      CredentialsCase{"Rfc7617", L"Aladdin", L"open sesame", L"Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
                      CredentialsCase{"Utf8", L"test", L"123\u00a3", L"Basic dGVzdDoxMjPCow=="},
                      CredentialsCase{"Long", L"a-rather-long-user-name-to-pass-76-characters-of-base64",
                                       L"and-a-password-as-long-as-it",
                                       L"Basic YS1yYXRoZXItbG9uZy11c2VyLW5hbWUtdG8tcGFzcy03Ni1jaGFyYWN0ZXJzLW9mLWJhc2U2"
                                       L"NDphbmQtYS1wYXNzd29yZC1hcy1sb25nLWFzLWl0"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct LocationCase {
    const char* Name;
    const wchar_t* Base;
    const wchar_t* Location;
    const wchar_t* Expected;
};

void PrintTo(const LocationCase& c, std::ostream* os) { *os << c.Name; }

class ResolveLocationTest : public ::testing::TestWithParam<LocationCase> {};

// Locations resolve as RFC 3986 says: absolute, host-relative, relative, with "..".
TEST_P(ResolveLocationTest, Resolves) {
    EXPECT_EQ(Net::ResolveLocation(GetParam().Base, GetParam().Location), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Net, ResolveLocationTest,
    ::testing::Values(
        LocationCase{"Absolute", L"http://a/b/c", L"https://x:8443/y?z", L"https://x:8443/y?z"},
        LocationCase{"HostRelative", L"http://a:81/b/c?q", L"/d/e", L"http://a:81/d/e"},
        LocationCase{"Sibling", L"http://a/b/c", L"d", L"http://a/b/d"},
        LocationCase{"UpOne", L"http://a/b/c/d?q", L"../e?f=1", L"http://a/b/e?f=1"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct UrlPartsCase {
    const char* Name;
    const wchar_t* Url;
    bool Secure;
    const wchar_t* Host;
    unsigned short Port;
    const wchar_t* PathAndQuery;
};

void PrintTo(const UrlPartsCase& c, std::ostream* os) { *os << c.Name; }

class UrlPartsTest : public ::testing::TestWithParam<UrlPartsCase> {};

// URL parts: default ports per scheme, path and query kept, "/" for none.
TEST_P(UrlPartsTest, Splits) {
    const UrlPartsCase& c = GetParam();
    const Net::UrlParts parts = Net::SplitUrl(c.Url);
    EXPECT_EQ(parts.Secure, c.Secure);
    EXPECT_EQ(parts.Host, c.Host);
    EXPECT_EQ(parts.Port, c.Port);
    EXPECT_EQ(parts.PathAndQuery, c.PathAndQuery);
}

INSTANTIATE_TEST_SUITE_P(Net, UrlPartsTest,
    ::testing::Values(UrlPartsCase{"HttpWithQuery", L"http://example.test/a/b?c=d", false, L"example.test", 80,
                                    L"/a/b?c=d"},
                      UrlPartsCase{"HttpsWithPortWithoutPath", L"https://localhost:8443", true, L"localhost", 8443,
                                    L"/"},
                      UrlPartsCase{"HttpsDefaultPort", L"https://h/x", true, L"h", 443, L"/x"}),
    [](const auto& info) { return std::string(info.param.Name); });

// Anything but http and https is refused.
TEST(SplitUrlTest, OtherSchemesRaise) {
    EXPECT_THROW(Net::SplitUrl(L"ftp://h/x"), Net::HttpError);
    EXPECT_THROW(Net::SplitUrl(L"file:///c:/x"), Net::HttpError);
    EXPECT_THROW(Net::SplitUrl(L"relative/path"), Net::HttpError);
}

}  // namespace
