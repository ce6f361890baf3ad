// Questions about the platform that decide how the user interface is built:
// the version of a library (ComCtl32 in particular) and of the system.
// Nothing is cached; every call asks the system again.
#pragma once

#include <windows.h>

#include <cstdint>

// Four 16-bit fields, most significant first: major, minor, build (or service
// pack major), fourth number (or service pack minor). 0: not available.
using PackedVersion = std::uint64_t;

// Packs four fields, each cut to its low 16 bits.
constexpr PackedVersion PackVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t third, std::uint32_t fourth)
{
    return (static_cast<PackedVersion>(major & 0xFFFFu) << 48) | (static_cast<PackedVersion>(minor & 0xFFFFu) << 32) |
           (static_cast<PackedVersion>(third & 0xFFFFu) << 16) | static_cast<PackedVersion>(fourth & 0xFFFFu);
}

// Whether the major.minor part of `version` is at least major.minor.
constexpr bool IsVersionAtLeast(PackedVersion version, std::uint32_t major, std::uint32_t minor)
{
    return (version >> 32) >= ((static_cast<PackedVersion>(major & 0xFFFFu) << 16) | (minor & 0xFFFFu));
}

// 0 when the library cannot be loaded, 1 when it has no "DllGetVersion" export.
PackedVersion GetDllVersion(const wchar_t* fileName);
bool IsComCtl6OrLater();

// Major, minor, service pack major and minor; 0 outside the NT family or when
// the version cannot be read.
PackedVersion GetOsVersion();
bool IsNt5OrLater();
