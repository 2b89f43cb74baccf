// The header values of a request for the rest of a body, and the check of the answer's Content-Range.
#include "net/RangeRequest.h"

#include <gtest/gtest.h>

namespace {

struct ContentRangeCase {
    const char* Name;
    const wchar_t* Value;
    bool Continues;  // at byte 300 of a 1000-byte body
};

void PrintTo(const ContentRangeCase& c, std::ostream* os) { *os << c.Name; }

class ContentRangeTest : public ::testing::TestWithParam<ContentRangeCase> {};

// Only "bytes 300-999/1000" continues a 1000-byte body at byte 300.
TEST_P(ContentRangeTest, ContinuesAt) {
    EXPECT_EQ(Net::ContinuesAt(GetParam().Value, 300, 1000), GetParam().Continues);
}

INSTANTIATE_TEST_SUITE_P(Net, ContentRangeTest,
    ::testing::Values(ContentRangeCase{"Matching", L"bytes 300-999/1000", true},
                      ContentRangeCase{"OtherStart", L"bytes 301-999/1000", false},
                      ContentRangeCase{"NotToTheEnd", L"bytes 300-998/1000", false},
                      ContentRangeCase{"OtherLength", L"bytes 300-999/1001", false},
                      ContentRangeCase{"UnknownLength", L"bytes 300-999/*", false},
                      ContentRangeCase{"Unsatisfied", L"bytes */1000", false},
                      ContentRangeCase{"OtherUnit", L"items 300-999/1000", false},
                      ContentRangeCase{"Blanks", L"bytes 300 - 999/1000", false},
                      ContentRangeCase{"Empty", L"", false}),
    [](const auto& info) { return std::string(info.param.Name); });

// A strong ETag is preferred; a weak one (not allowed in If-Range) gives way to
// Last-Modified; without either there is nothing to resume with.
TEST(RangeRequestTest, ValidatorChoice) {
    const std::wstring date = L"Tue, 01 Dec 2026 10:00:00 GMT";
    EXPECT_EQ(Net::RangeValidator(L"\"v1\"", date), L"\"v1\"");
    EXPECT_EQ(Net::RangeValidator(L"W/\"v1\"", date), date);
    EXPECT_EQ(Net::RangeValidator(std::nullopt, date), date);
    EXPECT_EQ(Net::RangeValidator(L"W/\"v1\"", std::nullopt), std::nullopt);
    EXPECT_EQ(Net::RangeValidator(std::nullopt, std::nullopt), std::nullopt);
}

// The header lines ask from the given byte to the end, under the validator.
TEST(RangeRequestTest, HeaderLines) {
    EXPECT_EQ(Net::RangeHeaders(5000000000ull, L"\"v1\""), L"Range: bytes=5000000000-\r\nIf-Range: \"v1\"\r\n");
}

// Decimal header numbers: digits only, up to the 64-bit maximum.
TEST(RangeRequestTest, ParseDecimal) {
    EXPECT_EQ(Net::ParseDecimal(L"0"), 0u);
    EXPECT_EQ(Net::ParseDecimal(L"18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(Net::ParseDecimal(L"18446744073709551616"), std::nullopt);
    EXPECT_EQ(Net::ParseDecimal(L""), std::nullopt);
    EXPECT_EQ(Net::ParseDecimal(L"-1"), std::nullopt);
    EXPECT_EQ(Net::ParseDecimal(L" 1"), std::nullopt);
}

}  // namespace
