// Reading registry values without trusting their stored size or type.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Text of raw REG_SZ data: up to the first NUL or the end of the data,
// whichever comes first; an odd trailing byte is ignored.
std::wstring TextFromRegistryData(const std::vector<BYTE>& data);

// Reads a REG_SZ or REG_EXPAND_SZ value whole, however long it is. False when
// the value is missing or not a string; `text` is then left unchanged.
bool QueryStringValue(HKEY key, const wchar_t* name, std::wstring& text);

// Reads a 4-byte REG_DWORD. False when missing or of another type or size.
bool QueryDwordValue(HKEY key, const wchar_t* name, DWORD& value);

// Writes a REG_SZ with its terminating NUL; the outcome is not reported.
void WriteStringValue(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ);
void WriteDwordValue(HKEY key, const wchar_t* name, DWORD value);
