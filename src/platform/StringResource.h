// String-table entries of a module.
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
