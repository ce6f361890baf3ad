// Typed addresses of exported functions.
#pragma once

#include <windows.h>

#include <cstring>
#include <type_traits>

// The export `name` of `module` as a `Function`, a pointer type that spells
// the export's calling convention (WINAPI, CALLBACK, WSAAPI); null when the
// module lacks it. The address is copied, not cast, so no conversion passes
// through a function type of another convention.
template <typename Function>
Function ProcAddress(HMODULE module, const char* name)
{
    static_assert(std::is_function_v<std::remove_pointer_t<Function>>, "a pointer to a function");
    static_assert(sizeof(Function) == sizeof(FARPROC), "function pointers of one size");
    const FARPROC address = module != nullptr ? ::GetProcAddress(module, name) : nullptr;
    Function typed = nullptr;
    std::memcpy(&typed, &address, sizeof(typed));
    return typed;
}
