#include "data/DateValue.h"

#include "data/RegexMatcher.h"
#include "text/TextConvert.h"

namespace {

constexpr std::int64_t kFirstYear = 1896;
constexpr std::int64_t kSlotsPerYear = 372;
constexpr std::int64_t kSlotsPerMonth = 31;

// The four recognised forms, compiled and studied once per process on the
// first TextToDate and released at exit. Declared in this order so that they
// are built in it.
struct DatePatterns {
    RegexMatcher monthDayYear{LR"(^[0-9]{1,2}\/[0-9]{1,2}\/[0-9]{4}$)"};
    RegexMatcher dayMonthYear{LR"(^[0-9]{1,2}\.[0-9]{1,2}\.[0-9]{4}$)"};
    RegexMatcher isoForm{LR"(^[0-9]{4}\-[0-9]{2}\-[0-9]{2}$)"};
    RegexMatcher compactForm{LR"(^[0-9]{8}$)"};
};

const DatePatterns& Patterns()
{
    static const DatePatterns patterns;
    return patterns;
}

std::int64_t ComposeValue(std::int64_t year, std::int64_t month, std::int64_t day)
{
    return (year - kFirstYear) * kSlotsPerYear + (month - 1) * kSlotsPerMonth + (day - 1);
}

// Splits "a<sep>b<sep>yyyy" where a and b have one or two digits; the text has
// already matched its pattern, so the positions are known to exist.
void SplitSeparated(std::wstring_view text, wchar_t separator, std::int64_t& first, std::int64_t& second,
                    std::int64_t& year)
{
    const std::size_t firstLength = text[1] == separator ? 1 : 2;
    first = TextToInt64(text.substr(0, firstLength));
    const std::wstring_view rest = text.substr(firstLength + 1);
    const std::size_t secondLength = rest[1] == separator ? 1 : 2;
    second = TextToInt64(rest.substr(0, secondLength));
    year = TextToInt64(rest.substr(secondLength + 1));
}

}  // namespace

int DaysInMonth(std::uint32_t value)
{
    const std::uint32_t monthIndex = (value % kSlotsPerYear) / kSlotsPerMonth;
    if (monthIndex == 1) {
        const std::uint32_t yearIndex = value / kSlotsPerYear;
        // 1896 is divisible by 4, so the index tells the remainder by 4.
        if (yearIndex % 4 != 0) {
            return 28;
        }
        const std::uint32_t year = kFirstYear + yearIndex;
        const bool leap = year % 100 != 0 || year % 400 == 0;
        return leap ? 29 : 28;
    }
    if (monthIndex == 3 || monthIndex == 5 || monthIndex == 8 || monthIndex == 10) {
        return 30;
    }
    return 31;
}

bool IsValidDate(std::uint32_t value)
{
    return value <= kLastDateValue && static_cast<int>(value % kSlotsPerMonth) + 1 <= DaysInMonth(value);
}

std::wstring DateToText(std::uint32_t value, int style)
{
    const int day = static_cast<int>(value % kSlotsPerMonth) + 1;
    const int month = static_cast<int>((value % kSlotsPerYear) / kSlotsPerMonth) + 1;
    const int year = static_cast<int>((kFirstYear + value / kSlotsPerYear) % 10000);
    switch (style) {
        case DateStyleDotted:
            return FormatWide(L"%02d.%02d.%04d", day, month, year);
        case DateStyleIso:
            return FormatWide(L"%04d-%02d-%02d", year, month, day);
        case DateStyleCompact:
            return FormatWide(L"%04d%02d%02d", year, month, day);
        default:
            return std::wstring();
    }
}

DateValue TextToDate(std::wstring_view text)
{
    const DatePatterns& patterns = Patterns();

    // Text ends at its first NUL, as it does for the callers' C strings.
    const std::size_t nul = text.find(L'\0');
    if (nul != std::wstring_view::npos) {
        text = text.substr(0, nul);
    }
    const std::wstring owned(text);

    std::int64_t value = (text.empty() || text == L"0") ? NoDate : InvalidDate;
    std::int64_t first = 0;
    std::int64_t second = 0;
    std::int64_t year = 0;
    if (patterns.monthDayYear.Matches(owned)) {
        SplitSeparated(text, L'/', first, second, year);
        value = ComposeValue(year, first, second);
    } else if (patterns.dayMonthYear.Matches(owned)) {
        SplitSeparated(text, L'.', first, second, year);
        value = ComposeValue(year, second, first);
    } else if (patterns.isoForm.Matches(owned)) {
        if (text == L"0000-00-00") {
            return NoDate;
        }
        value = ComposeValue(TextToInt64(text, 4), TextToInt64(text.substr(5), 2), TextToInt64(text.substr(8), 2));
    } else if (patterns.compactForm.Matches(owned)) {
        if (text == L"00000000" || text == L"99991231") {
            return NoDate;
        }
        value = ComposeValue(TextToInt64(text, 4), TextToInt64(text.substr(4), 2), TextToInt64(text.substr(6), 2));
    }

    if (value == 0) {
        return NoDate;
    }
    // Negative and oversized values fail the range test like any other.
    if (value < 0 || value > static_cast<std::int64_t>(kLastDateValue)) {
        return InvalidDate;
    }
    return IsValidDate(static_cast<std::uint32_t>(value)) ? static_cast<DateValue>(value) : InvalidDate;
}
