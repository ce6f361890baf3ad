#include "text/TextConvert.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

std::string WideToNarrow(const std::wstring& text, UINT codePage)
{
    const int size = ::WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::vector<char> buffer(static_cast<std::size_t>(size));
    if (::WideCharToMultiByte(codePage, 0, text.c_str(), -1, buffer.data(), size, nullptr, nullptr) <= 0) {
        return std::string();
    }
    // Up to the first NUL: text with an embedded NUL ends there, as in C.
    return std::string(buffer.data());
}

std::string ToUtf8(const std::wstring& text)
{
    return WideToNarrow(text, CP_UTF8);
}

std::string ToAnsi(const std::wstring& text)
{
    return WideToNarrow(text, CP_ACP);
}

std::wstring FormatWide(const wchar_t* format, ...)
{
    constexpr std::size_t kUnits = 65535;
    // 128 KiB is too much for the stack of a dialog or service thread.
    std::vector<wchar_t> buffer(kUnits, L'\0');
    va_list args;
    va_start(args, format);
    _vsnwprintf(buffer.data(), kUnits - 1, format, args);
    va_end(args);
    buffer[kUnits - 1] = L'\0';
    return std::wstring(buffer.data());
}

std::wstring Int64ToText(std::int64_t value)
{
    return FormatWide(L"%I64d", value);
}

std::wstring Int64ToFixedDigits(std::int64_t value, std::uint32_t width)
{
    if (width > 23) {
        width = 23;
    }
    // Work on the magnitude so that negative values give digits too; the
    // unsigned negation also covers the most negative value.
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::wstring digits(width, L'0');
    for (std::uint32_t i = width; i > 0; --i) {
        digits[i - 1] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    }
    return digits;
}

int UnsignedToText(std::uint32_t value, char* buffer, std::size_t size, int radix)
{
    if (buffer == nullptr || size == 0) {
        return -1;
    }
    if (radix < 2 || radix > 36) {
        buffer[0] = '\0';
        return -1;
    }
    char reversed[33];
    std::size_t count = 0;
    do {
        const unsigned digit = value % static_cast<unsigned>(radix);
        reversed[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
        value /= static_cast<unsigned>(radix);
    } while (value != 0);
    if (count + 1 > size) {
        buffer[0] = '\0';
        return -1;
    }
    for (std::size_t i = 0; i < count; ++i) {
        buffer[i] = reversed[count - 1 - i];
    }
    buffer[count] = '\0';
    return 0;
}

std::int64_t TextToInt64(std::wstring_view text, std::uint32_t limit)
{
    std::size_t index = 0;
    bool negative = false;
    if (!text.empty() && text[0] == L'-') {
        negative = true;
        index = 1;
    }
    // Unsigned arithmetic wraps on overflow without undefined behaviour.
    std::uint64_t value = 0;
    for (; index < limit && index < text.size(); ++index) {
        const wchar_t c = text[index];
        if (c == L' ') {
            continue;
        }
        if (c < L'0' || c > L'9') {
            break;  // NUL and every other character end the number
        }
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    if (negative) {
        value = 0 - value;
    }
    return static_cast<std::int64_t>(value);
}

std::wstring FillInserts(const std::wstring& format, const std::vector<std::wstring>& inserts)
{
    std::wstring text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const wchar_t next = i + 1 < format.size() ? format[i + 1] : L'\0';
        if (format[i] == L'%' && next == L'%') {
            text += L'%';
            ++i;
        } else if (format[i] == L'%' && next >= L'1' && next <= L'9') {
            const std::size_t number = static_cast<std::size_t>(next - L'1');
            text += number < inserts.size() ? inserts[number] : std::wstring();
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}
