// Date values: the text forms, day/month fold-over, validity and formatting.
#include <gtest/gtest.h>
#include <windows.h>

#include "data/DateValue.h"
#include "data/RegexMatcher.h"

namespace {

constexpr std::uint32_t Value(int year, int month, int day)
{
    return static_cast<std::uint32_t>((year - 1896) * 372 + (month - 1) * 31 + (day - 1));
}

struct Case {
    const wchar_t* text;
    std::uint32_t expected;
};

void ExpectDates(std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        EXPECT_EQ(TextToDate(c.text), c.expected) << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(DataDates, ReadsAllFourFormsWithOneOrTwoDigitFields)
{
    ExpectDates({{L"31.12.2006", 41291},
                 {L"1.2.2006", 40951},
                 {L"01.2.2006", 40951},
                 {L"2/29/2004", 40235},
                 {L"12/31/2006", 41291},
                 {L"2006-12-31", 41291},
                 {L"20061231", 41291}});
}

TEST(DataDates, FoldsOverflowingDayAndMonthIntoNeighbours)
{
    ExpectDates({{L"31.13.2006", Value(2007, 1, 31)},
                 {L"15.00.2006", Value(2005, 12, 15)},
                 {L"00.01.2006", Value(2005, 12, 31)},
                 {L"32.01.2006", Value(2006, 2, 1)},
                 {L"2006-13-01", 41292},
                 {L"20060001", Value(2005, 12, 1)}});
}

TEST(DataDates, RejectsMissingSlotsAndDatesOutsideTheRange)
{
    ExpectDates({{L"30.02.2006", InvalidDate},
                 {L"31.04.2006", InvalidDate},
                 {L"20060230", InvalidDate},
                 {L"29.02.1900", InvalidDate},
                 {L"31.12.1895", InvalidDate},
                 {L"01.01.2072", InvalidDate},
                 {L"31.12.2071", 65471},
                 {L"29.02.2000", 38747},
                 {L"29.02.2004", 40235},
                 {L"29.02.1896", 59},
                 {L"01.01.1896", NoDate},
                 {L"02.01.1896", 1},
                 {L"9999-99-99", InvalidDate}});
}

TEST(DataDates, NoDateTextsAndUnreadableTexts)
{
    ExpectDates({{L"", NoDate},
                 {L"0", NoDate},
                 {L"00000000", NoDate},
                 {L"99991231", NoDate},
                 {L"0000-00-00", NoDate},
                 {L"abc", InvalidDate},
                 {L" 31.12.2006", InvalidDate},
                 {L"31.12.06", InvalidDate},
                 {L"31.12.2006\n", InvalidDate},
                 {L"31.12.2006 ", InvalidDate},
                 {L"2006-1-31", InvalidDate},
                 {L"123.12.2006", InvalidDate},
                 {L"3１.12.2006", InvalidDate},
                 {L"00", InvalidDate}});
    // The text ends at its first NUL, like the C strings records hold.
    EXPECT_EQ(TextToDate(std::wstring_view(L"31.12.2006\0junk", 15)), 41291);
    EXPECT_EQ(TextToDate(std::wstring_view(L"\0"
                                           L"31.12.2006",
                                           11)),
              NoDate);
}

TEST(DataDates, FormatsInThreeStyles)
{
    EXPECT_EQ(DateToText(41291, DateStyleDotted), L"31.12.2006");
    EXPECT_EQ(DateToText(41291, DateStyleIso), L"2006-12-31");
    EXPECT_EQ(DateToText(41291, DateStyleCompact), L"20061231");
    EXPECT_EQ(DateToText(41291, 2), L"");
    EXPECT_EQ(DateToText(41291, DateStyleDotted | DateStyleIso), L"");
    EXPECT_EQ(DateToText(NoDate, DateStyleDotted), L"01.01.1896");
    EXPECT_EQ(DateToText(InvalidDate, DateStyleDotted), L"02.03.2072");
}

// Every value of the range against the system calendar, and back from text.
TEST(DataDates, ValidityMatchesTheCalendarAndTextRoundTrips)
{
    for (std::uint32_t v = 0; v <= 65471 + 372; ++v) {
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(1896 + v / 372);
        st.wMonth = static_cast<WORD>(v % 372 / 31 + 1);
        st.wDay = static_cast<WORD>(v % 31 + 1);
        // Through the system's calendar and back: a day that does not exist
        // is refused or comes back as another day.
        FILETIME ft;
        SYSTEMTIME back{};
        const bool calendarValid = v <= 65471 && ::SystemTimeToFileTime(&st, &ft) &&
                                   ::FileTimeToSystemTime(&ft, &back) && back.wDay == st.wDay &&
                                   back.wMonth == st.wMonth;
        ASSERT_EQ(IsValidDate(v), calendarValid) << v;
        if (calendarValid && v % 17 == 0) {
            for (int style : {DateStyleDotted, DateStyleIso, DateStyleCompact}) {
                ASSERT_EQ(TextToDate(DateToText(v, style)), v) << v;
            }
        } else if (!calendarValid && v <= 65471) {
            ASSERT_EQ(TextToDate(DateToText(v, DateStyleDotted)), InvalidDate) << v;
        }
    }
    EXPECT_FALSE(IsValidDate(0xFFFFFFFFu));
}

int compileAllocations = 0;
void* CountingMalloc(std::size_t size)
{
    ++compileAllocations;
    return std::malloc(size);
}

TEST(DataDates, PatternsAreCompiledOncePerProcess)
{
    TextToDate(L"1.1.2000");
    void* (*const original)(std::size_t) = pcre_malloc;
    pcre_malloc = CountingMalloc;
    for (int i = 0; i < 200; ++i) {
        TextToDate(i % 2 ? L"2006-12-31" : L"nope");
    }
    pcre_malloc = original;
    EXPECT_EQ(compileAllocations, 0);
}

TEST(DataDates, MatcherUsesUtf8DotAllAndEndOnlyDollar)
{
    EXPECT_TRUE(RegexMatcher(L"^ä.z$").Matches(L"ä\nz"));
    EXPECT_TRUE(RegexMatcher(L"^.$").Matches(L"€"));
    EXPECT_FALSE(RegexMatcher(L"^a$").Matches(L"a\n"));
    RegexMatcher broken(L"([0-9]");
    EXPECT_FALSE(broken.IsCompiled());
    EXPECT_FALSE(broken.Matches(L"([0-9]"));
}

}  // namespace
