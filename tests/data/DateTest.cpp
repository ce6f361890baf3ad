// Date values: the text forms, day/month fold-over, validity and formatting.
#include <gtest/gtest.h>

#include <string>

#include "data/DateValue.h"
#include "text/TextConvert.h"

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
    // Outside the range, a line break, other text.
    ExpectAll(L"?", {L"01.01.2072", L"31.12.1895", L"31.12.2006\n", L" 1.1.2000", L"31.12.06", L"2006-1-31"});
    // The last day; month 13 and 0, day 0 fold over.
    ExpectAll(nullptr, {L"31.12.2071"});
    ExpectAll(L"31.01.2007", {L"31.13.2006"});
    ExpectAll(L"15.12.2005", {L"15.00.2006"});
    ExpectAll(L"01.12.2005", {L"20060001"});
    ExpectAll(L"31.12.2005", {L"00.01.2006", L"0.1.2006"});
}

TEST(DataDates, EveryMonthOfTheCalendar)
{
    // A common year, a leap year, a century that is no leap year and one that is, with their February. Each
    // date is written in each style and read back; no other style writes anything.
    EXPECT_EQ(DateToText(41291, DateStyleDotted | DateStyleIso), L"");
    const std::pair<int, int> years[] = {{2006, 28}, {2004, 29}, {1900, 28}, {2000, 29}};
    const int lengths[] = {31, 0, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (const auto& [year, february] : years) {
        for (int month = 1; month <= 12; ++month) {
            const int last = month == 2 ? february : lengths[month - 1];
            // The last day is valid; the day after has no slot in a shorter month, and day 32 is the next month's
            // first.
            for (int day : {last, last + 1}) {
                const std::uint32_t slot = (year - 1896) * 372 + (month - 1) * 31 + (day - 1);
                const DateValue expected = day > last && last < 31 ? InvalidDate : static_cast<DateValue>(slot);
                for (const std::wstring& text :
                     {FormatWide(L"%d.%d.%d", day, month, year), FormatWide(L"%d/%d/%d", month, day, year),
                      FormatWide(L"%d-%02d-%02d", year, month, day), FormatWide(L"%d%02d%02d", year, month, day)}) {
                    EXPECT_EQ(TextToDate(text), expected) << testing::PrintToString(text);
                }
                for (int style : {DateStyleDotted, DateStyleIso, DateStyleCompact}) {
                    EXPECT_TRUE(expected == InvalidDate || TextToDate(DateToText(expected, style)) == expected) << slot;
                }
            }
        }
    }
}

}  // namespace
