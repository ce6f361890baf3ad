// Date values: the text forms, day/month fold-over, validity and formatting.
#include <gtest/gtest.h>

#include <cstdlib>

#include "data/DateValue.h"
#include "data/RegexMatcher.h"

namespace {

constexpr DateValue Value(int year, int month, int day)
{
    return static_cast<DateValue>((year - 1896) * 372 + (month - 1) * 31 + (day - 1));
}

void ExpectAll(DateValue expected, std::initializer_list<std::wstring_view> texts)
{
    for (std::wstring_view text : texts) {
        EXPECT_EQ(TextToDate(text), expected) << testing::PrintToString(std::wstring(text));
    }
}

TEST(DataDates, ReadsText)
{
    // The four forms; the text ends at its first NUL, like the C strings records hold.
    ExpectAll(41291, {L"31.12.2006", L"12/31/2006", L"2006-12-31", L"20061231", {L"31.12.2006\0junk", 15}});
    // The texts for no date, and 1 January 1896, which has the same value.
    ExpectAll(NoDate, {L"", L"0", L"00000000", L"99991231", L"0000-00-00", L"01.01.1896"});
    // Slots no month has, 1900 is no leap year, outside the range, unreadable.
    ExpectAll(InvalidDate, {L"30.02.2006", L"31.04.2006", L"29.02.1900", L"01.01.2072", L"31.12.1895", L"abc",
                            L"31.12.2006\n", L" 31.12.2006", L"31.12.06", L"2006-1-31", L"3\uff11.12.2006"});
    // One- or two-digit fields, leap years, the ends of the range; day 32 folds into February.
    ExpectAll(Value(2006, 2, 1), {L"1.2.2006", L"01.2.2006", L"32.01.2006"});
    ExpectAll(Value(2004, 2, 29), {L"2/29/2004", L"29.02.2004"});
    ExpectAll(Value(2000, 2, 29), {L"29.02.2000"});
    ExpectAll(65471, {L"31.12.2071"});
    ExpectAll(1, {L"02.01.1896"});
    // Month 13 and 0, day 0 fold over into the neighbouring month or year.
    ExpectAll(Value(2007, 1, 31), {L"31.13.2006"});
    ExpectAll(Value(2005, 12, 15), {L"15.00.2006"});
    ExpectAll(Value(2005, 12, 1), {L"20060001"});
    ExpectAll(Value(2005, 12, 31), {L"00.01.2006"});
}

TEST(DataDates, WritesThreeStyles)
{
    EXPECT_EQ(DateToText(41291, DateStyleDotted), L"31.12.2006");
    EXPECT_EQ(DateToText(Value(2004, 2, 9), DateStyleIso), L"2004-02-09");
    EXPECT_EQ(DateToText(41291, DateStyleCompact), L"20061231");
    EXPECT_EQ(DateToText(41291, DateStyleDotted | DateStyleIso), L"");
    EXPECT_EQ(DateToText(NoDate, DateStyleDotted), L"01.01.1896");
    EXPECT_EQ(DateToText(InvalidDate, DateStyleDotted), L"02.03.2072");
}

int allocations = 0;

TEST(DataDates, PatternsAreCompiledOnce)
{
    TextToDate(L"1.1.2000");
    void* (*const original)(std::size_t) = pcre_malloc;
    pcre_malloc = [](std::size_t size) {
        ++allocations;
        return std::malloc(size);
    };
    for (int i = 0; i < 100; ++i) {
        TextToDate(i % 2 ? L"2006-12-31" : L"nope");
    }
    pcre_malloc = original;
    EXPECT_EQ(allocations, 0);
}

}  // namespace
