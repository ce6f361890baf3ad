#include "text/TextConvert.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(TextConvert, NarrowConversionsOfNonAsciiText)
{
    const std::wstring host = L"caf\u00e9.example";
    EXPECT_EQ(ToUtf8(host), "caf\xC3\xA9.example");
    EXPECT_EQ(ToUtf8(L"\u20AC\U0001F600"), "\xE2\x82\xAC\xF0\x9F\x98\x80");
    // The tests run with the ANSI code page 1252, where U+00E9 is one byte.
    ASSERT_EQ(::GetACP(), 1252u);
    EXPECT_EQ(ToAnsi(host), "caf\xE9.example");
    // A character the code page lacks becomes its default character.
    EXPECT_EQ(ToAnsi(L"a\u4E2Db"), "a?b");
    EXPECT_EQ(ToUtf8(L""), "");
}

TEST(TextConvert, FixedDigitsCutAndPad)
{
    EXPECT_EQ(Int64ToFixedDigits(42, 5), L"00042");
    EXPECT_EQ(Int64ToFixedDigits(123456, 3), L"456");
    EXPECT_EQ(Int64ToFixedDigits(7, 0), L"");
    EXPECT_EQ(Int64ToFixedDigits(5, 100), std::wstring(22, L'0') + L"5");
    EXPECT_EQ(Int64ToFixedDigits(INT64_MAX, 23), L"0000" + std::wstring(L"9223372036854775807"));
    // Negative values give the digits of their magnitude, without a sign.
    EXPECT_EQ(Int64ToFixedDigits(-42, 5), L"00042");
    EXPECT_EQ(Int64ToFixedDigits(INT64_MIN, 20), L"09223372036854775808");
}

TEST(TextConvert, Int64ToTextForms)
{
    EXPECT_EQ(Int64ToText(86400), L"86400");
    EXPECT_EQ(Int64ToText(-5), L"-5");
    EXPECT_EQ(Int64ToText(0), L"0");
    EXPECT_EQ(Int64ToText(INT64_MIN), L"-9223372036854775808");
}

TEST(TextConvert, UnsignedToTextNeverWritesPastSize)
{
    char buffer[16];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(UnsignedToText(37, buffer, 10, 10), 0);
    EXPECT_STREQ(buffer, "37");

    // 1000000000 needs 11 bytes with its NUL.
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(UnsignedToText(1000000000u, buffer, 10, 10), -1);
    for (int i = 10; i < 16; ++i) {
        EXPECT_EQ(buffer[i], 'x') << "byte " << i;
    }
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(UnsignedToText(999999999u, buffer, 10, 10), 0);
    EXPECT_STREQ(buffer, "999999999");
    EXPECT_EQ(buffer[10], 'x');

    EXPECT_EQ(UnsignedToText(0xFFFFFFFFu, buffer, 16, 16), 0);
    EXPECT_STREQ(buffer, "ffffffff");
    EXPECT_EQ(UnsignedToText(5, buffer, 16, 2), 0);
    EXPECT_STREQ(buffer, "101");
    EXPECT_EQ(UnsignedToText(1, buffer, 16, 1), -1);
    EXPECT_EQ(UnsignedToText(1, buffer, 0, 10), -1);
}

TEST(TextConvert, TextToInt64SignBlanksAndEnd)
{
    EXPECT_EQ(TextToInt64(L"42"), 42);
    EXPECT_EQ(TextToInt64(L"12 34"), 1234);
    EXPECT_EQ(TextToInt64(L"-7"), -7);
    EXPECT_EQ(TextToInt64(L" -7"), 0);  // only the very first character is a sign
    EXPECT_EQ(TextToInt64(L"12abc"), 12);
    EXPECT_EQ(TextToInt64(L""), 0);
    EXPECT_EQ(TextToInt64(L"--3"), 0);
    EXPECT_EQ(TextToInt64(std::wstring(L"12\0"
                                       L"34",
                                       5)),
              12);
}

TEST(TextConvert, TextToInt64LimitAndWrap)
{
    EXPECT_EQ(TextToInt64(L"20061231", 4), 2006);
    EXPECT_EQ(TextToInt64(L"20061231", 2), 20);
    EXPECT_EQ(TextToInt64(L"-123", 2), -1);  // the sign counts as one of the characters
    EXPECT_EQ(TextToInt64(L"18446744073709551616"), 0);
    EXPECT_EQ(TextToInt64(L"18446744073709551617"), 1);
    EXPECT_EQ(TextToInt64(L"9223372036854775808"), INT64_MIN);
}

TEST(TextConvert, FormatWideCutsAt65534Units)
{
    EXPECT_EQ(FormatWide(L"%s-%d", L"ab", 7), L"ab-7");
    const std::wstring longText(70000, L'a');
    const std::wstring cut = FormatWide(L"%s", longText.c_str());
    EXPECT_EQ(cut.size(), 65534u);
    EXPECT_EQ(cut, longText.substr(0, 65534));
    EXPECT_EQ(FormatWide(L"%s", std::wstring(65534, L'b').c_str()).size(), 65534u);
}
