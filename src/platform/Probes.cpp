#include "platform/Probes.h"

#include "platform/Handles.h"
#include "platform/ProcAddress.h"

#include <shlwapi.h>

namespace {

using DllGetVersionFunction = HRESULT(CALLBACK*)(DLLVERSIONINFO*);

// The record sizes the export distinguishes: the newer one carries the packed
// version, the older one only three fields.
constexpr DWORD kVersionInfo2Size = 32;
constexpr DWORD kVersionInfoSize = 20;
static_assert(sizeof(DLLVERSIONINFO2) == kVersionInfo2Size, "DLLVERSIONINFO2 layout");
static_assert(sizeof(DLLVERSIONINFO) == kVersionInfoSize, "DLLVERSIONINFO layout");

constexpr DWORD kOsVersionInfoExSize = 284;
constexpr DWORD kOsVersionInfoSize = 276;
static_assert(sizeof(OSVERSIONINFOEXW) == kOsVersionInfoExSize, "OSVERSIONINFOEXW layout");
static_assert(sizeof(OSVERSIONINFOW) == kOsVersionInfoSize, "OSVERSIONINFOW layout");

}  // namespace

PackedVersion GetDllVersion(const wchar_t* fileName)
{
    UniqueLibrary library(::LoadLibraryW(fileName));
    if (!library) {
        return 0;
    }
    const auto getVersion = ProcAddress<DllGetVersionFunction>(library.Get(), "DllGetVersion");
    if (getVersion == nullptr) {
        return 1;
    }

    DLLVERSIONINFO2 info{};
    info.info1.cbSize = kVersionInfo2Size;
    if (SUCCEEDED(getVersion(&info.info1)) && info.ullVersion != 0) {
        return info.ullVersion;
    }

    // Libraries that predate the packed record answer only the short request;
    // their answer is taken as it is.
    info = DLLVERSIONINFO2{};
    info.info1.cbSize = kVersionInfoSize;
    getVersion(&info.info1);
    return PackVersion(info.info1.dwMajorVersion, info.info1.dwMinorVersion, info.info1.dwBuildNumber, 0);
}

bool IsComCtl6OrLater()
{
    return IsVersionAtLeast(GetDllVersion(L"ComCtl32.dll"), 6, 0);
}

PackedVersion GetOsVersion()
{
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = kOsVersionInfoExSize;
    DWORD servicePackMajor = 0;
    DWORD servicePackMinor = 0;
    if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        servicePackMajor = info.wServicePackMajor;
        servicePackMinor = info.wServicePackMinor;
    } else {
        info.dwOSVersionInfoSize = kOsVersionInfoSize;
        if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
            return 0;
        }
        if (info.dwMajorVersion < 4) {
            return 0;
        }
        // Systems without the extended record keep the service pack in the
        // registry: major number in bits 8 to 15, minor in bits 0 to 7.
        DWORD csdVersion = 0;
        DWORD size = sizeof(csdVersion);
        if (::SHGetValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Windows", L"CSDVersion", nullptr,
                          &csdVersion, &size) == ERROR_SUCCESS) {
            servicePackMajor = (csdVersion >> 8) & 0xFF;
            servicePackMinor = csdVersion & 0xFF;
        }
    }
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        return 0;
    }
    return PackVersion(info.dwMajorVersion, info.dwMinorVersion, servicePackMajor, servicePackMinor);
}

bool IsNt5OrLater()
{
    return IsVersionAtLeast(GetOsVersion(), 5, 0);
}
