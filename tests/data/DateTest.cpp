// Date values: the text forms, day/month fold-over, validity and formatting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "data/DateValue.h"
#include "data/RegexMatcher.h"

namespace {

// Every text reads as `expected` (null: as itself), a date in the dotted
// style or "?" for InvalidDate.
void ExpectAll(const wchar_t* expected, std::initializer_list<std::wstring_view> texts)
{
    for (std::wstring_view text : texts) {
        const DateValue value = TextToDate(text);
        const std::wstring read = value == InvalidDate ? L"?" : DateToText(value, DateStyleDotted);
        EXPECT_EQ(read, std::wstring(expected ? expected : text)) << testing::PrintToString(std::wstring(text));
    }
}

TEST(DataDates, ReadsText)
{
    // The four forms; the text ends at its first NUL, like the C strings records hold.
    ExpectAll(L"31.12.2006", {L"31.12.2006", L"12/31/2006", L"2006-12-31", L"20061231", {L"31.12.2006\0junk", 15}});
    // The texts for no date read as NoDate, the value of 1 January 1896.
    ExpectAll(L"01.01.1896", {L"", L"0", L"00000000", L"99991231", L"0000-00-00", L"01.01.1896"});
    // Slots no month has, 1900 is no leap year, outside the range, a line break, other text.
    ExpectAll(L"?", {L"30.02.2006", L"31.04.2006", L"29.02.1900", L"01.01.2072", L"31.12.1895", L"31.12.2006\n",
                     L" 1.1.2000", L"31.12.06", L"2006-1-31"});
    // Leap years, the last day; month 13 and 0, day 32 and 0 fold over.
    ExpectAll(nullptr, {L"29.02.2000", L"29.02.2004", L"31.12.2071"});
    ExpectAll(L"31.01.2007", {L"31.13.2006"});
    ExpectAll(L"15.12.2005", {L"15.00.2006"});
    ExpectAll(L"01.12.2005", {L"20060001"});
    ExpectAll(L"01.02.2006", {L"32.01.2006", L"1.2.2006"});
    ExpectAll(L"31.12.2005", {L"00.01.2006"});
}

TEST(DataDates, WritesThreeStyles)
{
    // 41291 is 31 December 2006, 40215 is 9 February 2004; the dotted style is
    // what ReadsText compares.
    EXPECT_EQ(DateToText(40215, DateStyleIso), L"2004-02-09");
    EXPECT_EQ(DateToText(41291, DateStyleCompact), L"20061231");
    EXPECT_EQ(DateToText(41291, DateStyleDotted | DateStyleIso), L"");
}

int allocations = 0;

TEST(DataDates, PatternsAreCompiledOnce)
{
    TextToDate(L"1.1.2000");
    void* (*const original)(std::size_t) = pcre_malloc;
    pcre_malloc = [](std::size_t size) { return ++allocations, std::malloc(size); };
    TextToDate(L"20061231");  // tries all four patterns
    pcre_malloc = original;
    EXPECT_EQ(allocations, 0);
}

}  // namespace
