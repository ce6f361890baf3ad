// Dates as compact day numbers: (year - 1896) * 372 + (month - 1) * 31 + (day - 1).
// Every month takes 31 slots and every year 372, so numeric order is date order;
// slots past a month's real length exist but are not valid dates.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using DateValue = std::uint16_t;

// No date; also the value of 1 January 1896, which therefore reads as no date.
constexpr DateValue NoDate = 0;
// A text that is not a valid date.
constexpr DateValue InvalidDate = 0xFFFF;
// 31 December 2071, the last valid value.
constexpr std::uint32_t kLastDateValue = 65471;

enum DateStyle : int {
    DateStyleDotted = 0x1,     // "31.12.2006"
    DateStyleIso = 0x10,       // "2006-12-31"
    DateStyleCompact = 0x100,  // "20061231"
};

// 28 to 31: the length of the month the value lies in (Gregorian leap years).
int DaysInMonth(std::uint32_t value);

// True for values up to 31 December 2071 whose day slot exists in its month.
bool IsValidDate(std::uint32_t value);

// The value in one of the three styles; empty for any other style. NoDate and
// InvalidDate are formatted like any other value.
std::wstring DateToText(std::uint32_t value, int style);

// Reads "d.m.yyyy", "m/d/yyyy", "yyyy-mm-dd" or "yyyymmdd" (the text ends at
// its first NUL). Day and month overflow into the neighbouring month or year;
// only the resulting value is checked. Empty text, "0", "00000000",
// "99991231" and "0000-00-00" give NoDate; anything else unreadable or
// outside the valid range gives InvalidDate.
DateValue TextToDate(std::wstring_view text);
