// Where a module's file lies.
#pragma once

#include <windows.h>

#include <string>

// Full path of the module's file (null: the executable), however long, with
// the long-path prefix removed. Empty when the system cannot tell it.
std::wstring GetModulePath(HMODULE module);

// "\\?\UNC\server\share" becomes "\\server\share", "\\?\C:\dir" becomes
// "C:\dir"; case-sensitive, anything else is returned unchanged.
std::wstring StripLongPathPrefix(const std::wstring& path);
