#include "platform/Registry.h"

#include <cstring>

std::wstring TextFromRegistryData(const std::vector<BYTE>& data)
{
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) {
        std::memcpy(&text[0], data.data(), text.size() * sizeof(wchar_t));
    }
    const std::size_t end = text.find(L'\0');
    if (end != std::wstring::npos) {
        text.resize(end);
    }
    return text;
}

bool QueryStringValue(HKEY key, const wchar_t* name, std::wstring& text)
{
    // The value may change size between the calls; retry a few times.
    DWORD size = 0;
    DWORD type = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        LONG result = ::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
        if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return false;
        }
        std::vector<BYTE> data(size);
        DWORD got = size;
        result = ::RegQueryValueExW(key, name, nullptr, &type, data.empty() ? nullptr : data.data(), &got);
        if (result == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return false;
        }
        data.resize(got < data.size() ? got : data.size());
        text = TextFromRegistryData(data);
        return true;
    }
    return false;
}

bool QueryDwordValue(HKEY key, const wchar_t* name, DWORD& value)
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(data)) {
        return false;
    }
    value = data;
    return true;
}

void WriteStringValue(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type)
{
    ::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void WriteDwordValue(HKEY key, const wchar_t* name, DWORD value)
{
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}
