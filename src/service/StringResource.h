// String-table entries of a module.
#pragma once

#include <windows.h>

#include <string>

// One entry of the module's string table in the language the resource loader
// picks; empty when the block or the entry is missing.
std::wstring LoadStringResource(HINSTANCE module, UINT id);
