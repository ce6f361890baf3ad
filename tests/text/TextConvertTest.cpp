#include "text/TextConvert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

TEST(TextConvert, TextOfNumbersAndOfOtherCodePages)
{
    ASSERT_EQ(::GetACP(), 1252u);  // the tests run with the Western code page
    // Wide results are compared in UTF-8, which the first rows show right.
    const std::pair<std::string, std::string> cases[] = {
        {ToUtf8(L"caf\u00e9.example"), "caf\xC3\xA9.example"},
        {ToUtf8(L"\u20AC\U0001F600"), "\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {ToAnsi(L"caf\u00e9"), "caf\xE9"},
        {ToAnsi(L"a\u4E2Db"), "a?b"},  // the default character
        {ToUtf8(Int64ToFixedDigits(42, 5)), "00042"},
        {ToUtf8(Int64ToFixedDigits(123456, 3)), "456"},
        {ToUtf8(Int64ToFixedDigits(7, 0)), ""},
        {ToUtf8(Int64ToFixedDigits(5, 100)), std::string(22, '0') + "5"},
        {ToUtf8(Int64ToFixedDigits(-42, 5)), "00042"},  // negative: the magnitude's digits, no sign
        {ToUtf8(Int64ToFixedDigits(INT64_MIN, 20)), "09223372036854775808"},
        {ToUtf8(FormatWide(L"%s-%d", L"ab", 7)), "ab-7"},
        // Inserts in the translation's order; "%%" is a percent sign; a missing insert is empty, a lone "%" stays.
        {ToUtf8(FillInserts(L"%2 (%1) 100%% %3%", {L"a%1", L"b"})), "b (a%1) 100% %"},
        {ToUtf8(FormatWide(L"%s", std::wstring(70000, L'a').c_str())), std::string(65534, 'a')}};
    for (const auto& [made, expected] : cases) {
        EXPECT_EQ(made, expected);
    }
}

TEST(TextConvert, UnsignedToTextNeverWritesPastSize)
{
    // Value, buffer size, radix, and the text, or null when it does not fit.
    const std::tuple<std::uint32_t, std::size_t, int, const char*> cases[] = {
        {37, 10, 10, "37"},
        {999999999u, 10, 10, "999999999"},
        {1000000000u, 10, 10, nullptr},
        {0xFFFFFFFFu, 16, 16, "ffffffff"},
        {5, 16, 2, "101"},
        {1, 16, 1, nullptr},
        {1, 0, 10, nullptr},
    };
    for (auto [value, size, radix, text] : cases) {
        char buffer[16];
        std::memset(buffer, 'x', sizeof(buffer));
        EXPECT_EQ(UnsignedToText(value, buffer, size, radix), text ? 0 : -1) << value;
        EXPECT_STREQ(text ? buffer : "", text ? text : "");
        EXPECT_EQ(std::string(buffer + size, buffer + sizeof(buffer)), std::string(sizeof(buffer) - size, 'x'));
    }
}

TEST(TextConvert, TextToInt64)
{
    // Only the very first character is a sign, and it counts as one of the
    // characters the limit allows; the text ends at its first NUL.
    const std::tuple<std::wstring, std::uint32_t, std::int64_t> cases[] = {
        {L"12 34", kNoLimit, 1234},
        {L"-7", kNoLimit, -7},
        {L" -7", kNoLimit, 0},
        {L"12abc", kNoLimit, 12},
        {L"", kNoLimit, 0},
        {L"--3", kNoLimit, 0},
        {std::wstring(L"12\09", 4), kNoLimit, 12},
        {L"20061231", 4, 2006},
        {L"-123", 2, -1},
        {L"18446744073709551617", kNoLimit, 1},
        {L"9223372036854775808", kNoLimit, INT64_MIN}};
    for (const auto& [text, limit, value] : cases) {
        EXPECT_EQ(TextToInt64(text, limit), value) << text.size();
    }
}
