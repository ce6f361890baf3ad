// String-table entries of a module, and the texts of system errors.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// Entry `index` (0..15) of one string-table block of `size` bytes: each entry
// is a 16-bit count followed by that many UTF-16 units. Empty when the block
// ends before the entry does.
std::wstring StringTableEntry(const void* block, std::size_t size, UINT index);

// One entry of the module's string table in the language the resource loader
// picks; empty when the block or the entry is missing.
std::wstring LoadStringResource(HINSTANCE module, UINT id);

// The system's text for a Win32 error, in the user's language, without the
// line break it ends with; empty when the system has none.
std::wstring SystemErrorText(DWORD error);

// A failure message from a format whose "%1" stands for the system's text of
// `error` and "%2" for its number, e.g. "could not be installed: %1 (error %2)".
std::wstring FormatFailure(const std::wstring& format, DWORD error);
