#include "text/TextConvert.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(TextConvert, TextOfNumbersAndOfOtherCodePages)
{
    ASSERT_EQ(::GetACP(), 1252u);  // the tests run with the Western code page
    const std::pair<std::string, std::string> narrow[] = {
        {ToUtf8(L"caf\u00e9.example"), "caf\xC3\xA9.example"},
        {ToUtf8(L"\u20AC\U0001F600"), "\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {ToAnsi(L"caf\u00e9"), "caf\xE9"},
        {ToAnsi(L"a\u4E2Db"), "a?b"},  // the default character
    };
    const std::pair<std::wstring, std::wstring> wide[] = {
        {Int64ToFixedDigits(42, 5), L"00042"},
        {Int64ToFixedDigits(123456, 3), L"456"},
        {Int64ToFixedDigits(7, 0), L""},
        {Int64ToFixedDigits(5, 100), std::wstring(22, L'0') + L"5"},
        {Int64ToFixedDigits(-42, 5), L"00042"},  // negative: the magnitude's digits, no sign
        {Int64ToFixedDigits(INT64_MIN, 20), L"09223372036854775808"},
        {FormatWide(L"%s-%d", L"ab", 7), L"ab-7"},
        {FormatWide(L"%s", std::wstring(70000, L'a').c_str()), std::wstring(65534, L'a')}};
    for (const auto& [made, expected] : narrow) {
        EXPECT_EQ(made, expected);
    }
    for (const auto& [made, expected] : wide) {
        EXPECT_EQ(made, expected);
    }
}

TEST(TextConvert, UnsignedToTextNeverWritesPastSize)
{
    const struct {
        std::uint32_t value;
        std::size_t size;
        int radix;
        const char* text;  // null: does not fit
    } cases[] = {{37, 10, 10, "37"},
                 {999999999u, 10, 10, "999999999"},
                 {1000000000u, 10, 10, nullptr},
                 {0xFFFFFFFFu, 16, 16, "ffffffff"},
                 {5, 16, 2, "101"},
                 {1, 16, 1, nullptr},
                 {1, 0, 10, nullptr}};
    for (const auto& c : cases) {
        char buffer[16];
        std::memset(buffer, 'x', sizeof(buffer));
        EXPECT_EQ(UnsignedToText(c.value, buffer, c.size, c.radix), c.text ? 0 : -1) << c.value;
        EXPECT_STREQ(c.text ? buffer : "", c.text ? c.text : "");
        EXPECT_EQ(std::string(buffer + c.size, buffer + sizeof(buffer)), std::string(sizeof(buffer) - c.size, 'x'));
    }
}

TEST(TextConvert, TextToInt64)
{
    const struct {
        std::wstring text;
        std::uint32_t limit;
        std::int64_t value;
    } cases[] = {{L"12 34", kNoLimit, 1234},
                 {L"-7", kNoLimit, -7},
                 {L" -7", kNoLimit, 0},  // only the very first character is a sign
                 {L"12abc", kNoLimit, 12},
                 {L"", kNoLimit, 0},
                 {L"--3", kNoLimit, 0},
                 {std::wstring(L"12\0"
                               L"34",
                               5),
                  kNoLimit, 12},
                 {L"20061231", 4, 2006},
                 {L"-123", 2, -1},  // the sign counts as one of the characters
                 {L"18446744073709551617", kNoLimit, 1},
                 {L"9223372036854775808", kNoLimit, INT64_MIN}};
    for (const auto& c : cases) {
        EXPECT_EQ(TextToInt64(c.text, c.limit), c.value) << c.text.size();
    }
}
