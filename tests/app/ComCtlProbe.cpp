// Reports through its exit code what the probes see in this process:
// bit 0: IsComCtl6OrLater; bit 1: ComCtl32 came from the side-by-side store
// (the manifest selected the version 6 assembly); bit 2: that very library,
// loaded by its full path, reports version 6 or later.
#include "platform/Probes.h"

#include "platform/Handles.h"

#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int result = IsComCtl6OrLater() ? 1 : 0;
    UniqueLibrary library(::LoadLibraryW(L"ComCtl32.dll"));
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(library.Get(), path, MAX_PATH);
    ::CharLowerW(path);
    if (std::wcsstr(path, L"\\winsxs\\") != nullptr) {
        result |= 2;
    }
    if (IsVersionAtLeast(GetDllVersion(path), 6, 0)) {
        result |= 4;
    }
    return result;
}
