// A library planted beside HoralSvc.exe as version.dll and uxtheme.dll. Loaded by
// LoadLibrary it leaves "<its path>.loaded" until a FreeLibrary; loaded through an
// import table it leaves nothing: Wine's own user32 imports version.dll, and tries
// uxtheme.dll and frees it, as a process starts. Its version exports answer none.
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
extern "C" __declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(const wchar_t*, DWORD, DWORD, void*)
{
    return FALSE;
}
extern "C" __declspec(dllexport) BOOL WINAPI VerQueryValueW(const void*, const wchar_t*, void**, UINT*)
{
    return FALSE;
}
