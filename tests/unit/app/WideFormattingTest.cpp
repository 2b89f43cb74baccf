// The executable's wide formatting over msvcrt.dll (src/WideFormatting.cpp),
// linked into this test program as into updater.exe: every conversion the
// program uses gives the text MinGW-w64's own formatter gave.
#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

struct FormattingCase {
    const char* name;
    std::wstring formatted;
    std::wstring expected;
};

void PrintTo(const FormattingCase& c, std::ostream* os) { *os << c.name; }

std::wstring Format(const wchar_t* format, ...) {
    wchar_t text[128];
    va_list arguments;
    va_start(arguments, format);
    std::vswprintf(text, 128, format, arguments);
    va_end(arguments);
    return text;
}

class WideFormattingTest : public ::testing::TestWithParam<FormattingCase> {};

// Each conversion in use formats as C99 says.
TEST_P(WideFormattingTest, FormatsAsC99Says) { EXPECT_EQ(GetParam().formatted, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Conversions, WideFormattingTest,
    ::testing::Values(
        FormattingCase{"ErrorText", Format(L"%hs failed (error 0x%08lX)", "CreateFileW", 0x7Eul),
                       L"CreateFileW failed (error 0x0000007E)"},
        FormattingCase{"WideString", Format(L"XML error in %ls (0x%08lX)", L"load", 0x80004005ul),
                       L"XML error in load (0x80004005)"},
        FormattingCase{"Counts", Format(L"%lu / %lu", 1536ul, 4096ul), L"1536 / 4096"},
        FormattingCase{"LargestUnsigned64", std::to_wstring(ULLONG_MAX), L"18446744073709551615"},
        FormattingCase{"SmallestSigned64", std::to_wstring(LLONG_MIN), L"-9223372036854775808"},
        FormattingCase{"NegativeInt", std::to_wstring(-42), L"-42"},
        FormattingCase{"PrecisionOfNarrowString", Format(L"%.3hs!", "abcdef"), L"abc!"}),
    [](const ::testing::TestParamInfo<FormattingCase>& info) { return info.param.name; });

// A text longer than the buffer is cut to fit with its terminating null, and
// the result is the whole text's length (the replaced function's contract).
TEST(WideFormattingLimitTest, LongTextIsCutAndTerminated) {
    wchar_t text[5] = {L'x', L'x', L'x', L'x', L'x'};
    EXPECT_EQ(std::swprintf(text, 5, L"%ls", L"abcdefgh"), 8);
    EXPECT_EQ(std::wstring(text), L"abcd");
}

}  // namespace
