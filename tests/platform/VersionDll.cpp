// A library for the version probe tests. VERSION_MODE selects how it answers:
// 0 no "DllGetVersion" export, 1 only the 20-byte request, 2 the 32-byte one.
#include <windows.h>
#include <shlwapi.h>

#if VERSION_MODE == 0
extern "C" __declspec(dllexport) int NotAVersionExport()
{
    return 0;
}
#else
extern "C" __declspec(dllexport) HRESULT CALLBACK DllGetVersion(DLLVERSIONINFO* info)
{
    if (info->cbSize == sizeof(DLLVERSIONINFO)) {
        // Build numbers wider than 16 bits show that the probe cuts them.
        info->dwMajorVersion = 0x10005;
        info->dwMinorVersion = 82;
        info->dwBuildNumber = 0x12345;
        info->dwPlatformID = DLLVER_PLATFORM_NT;
        return S_OK;
    }
#if VERSION_MODE == 2
    if (info->cbSize == sizeof(DLLVERSIONINFO2)) {
        reinterpret_cast<DLLVERSIONINFO2*>(info)->ullVersion = MAKEDLLVERULL(6, 10, 7601, 17514);
        return S_OK;
    }
#endif
    return E_INVALIDARG;
}
#endif
