// Conversions between wide text, narrow text and 64-bit integers.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Wide text in the given code page; characters it cannot hold become the code
// page's default character. Empty when the system cannot convert at all.
std::string WideToNarrow(const std::wstring& text, UINT codePage);
std::string ToUtf8(const std::wstring& text);
std::string ToAnsi(const std::wstring& text);

// printf-style wide formatting, cut at 65534 code units.
std::wstring FormatWide(const wchar_t* format, ...);

std::wstring Int64ToText(std::int64_t value);

// The last `width` decimal digits (at most 23), zero-padded. A negative value
// gives the digits of its magnitude, without a sign.
std::wstring Int64ToFixedDigits(std::int64_t value, std::uint32_t width);

// Writes the digits of `value` in `radix` (2..36, lower-case letters) and a NUL
// into `buffer`; 0 when that fits into `size` bytes, else -1 and nothing past
// `size` is written.
int UnsignedToText(std::uint32_t value, char* buffer, std::size_t size, int radix);

constexpr std::uint32_t kNoLimit = 0xFFFFFFFFu;

// Reads an optional leading '-', then digits, skipping blanks, up to the first
// NUL or other character or the index `limit`. Wraps on 64-bit overflow; text
// without digits reads as 0.
std::int64_t TextToInt64(std::wstring_view text, std::uint32_t limit = kNoLimit);

// `format` with each "%1" to "%9" replaced by that insert (empty when there is
// none) and "%%" by "%"; every other character, and a lone "%", stays. The
// order of the inserts is the translation's, so "%2 ... %1" works too.
std::wstring FillInserts(const std::wstring& format, const std::vector<std::wstring>& inserts);
