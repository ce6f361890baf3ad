// A library planted beside HoralSvc.exe as version.dll and uxtheme.dll. Loaded by
// LoadLibrary it leaves "<its path>.loaded" until a FreeLibrary; loaded through an
// import table it leaves nothing: Wine's own user32 imports version.dll, and tries
// uxtheme.dll and frees it, as a process starts. Its one export says a file has no
// version: without an export table Wine starts no process that imports it, and
// a program that read its version through it would get 0.0.0.0.
#include "platform/Handles.h"

#include <string>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* withProcess)
{
    wchar_t path[MAX_PATH];
    const DWORD length = withProcess == nullptr ? ::GetModuleFileNameW(instance, path, MAX_PATH) : 0;
    const std::wstring mark = std::wstring(path, length < MAX_PATH ? length : 0) + L".loaded";
    if (length > 0 && reason == DLL_PROCESS_ATTACH) {
        UniqueFile(::CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    } else if (length > 0 && reason == DLL_PROCESS_DETACH) {
        ::DeleteFileW(mark.c_str());
    }
    return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(const wchar_t*, DWORD*)
{
    return 0;
}
