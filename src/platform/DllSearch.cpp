#include "platform/DllSearch.h"

#include "platform/ProcAddress.h"

#include <string>

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

}  // namespace

bool RestrictDllSearch()
{
    // Windows 8, and Windows 7 and Vista with KB2533623: the system folder
    // only, for every later load by name (the side-by-side ComCtl32 that the
    // manifest names is still found: redirection comes before the search).
    // Without it the executable's folder stays first; an empty entry takes
    // out at least the current folder.
    const auto setDefaultDirectories =
        ProcAddress<SetDefaultDllDirectoriesFunction>(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    const bool restricted = (setDefaultDirectories != nullptr && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) ||
                            ::SetDllDirectoryW(L"") != FALSE;
    // The common controls load uxtheme.dll by name once they draw, as a
    // delay-loaded import, and not every loader resolves those through the
    // default directories (Wine's does not; without them the search begins
    // beside the executable). Loaded now from the system folder and kept for
    // the process, it is the one those later loads find.
    static const UniqueLibrary theme = LoadSystemLibrary(L"uxtheme.dll");
    return restricted;
}

UniqueLibrary LoadSystemLibrary(const wchar_t* fileName)
{
    // A 32-bit process on 64-bit Windows is given its own system folder under
    // this name (SysWOW64).
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return UniqueLibrary();
    }
    const std::wstring path = std::wstring(folder, length) + L"\\" + fileName;
    return UniqueLibrary(::LoadLibraryW(path.c_str()));
}
