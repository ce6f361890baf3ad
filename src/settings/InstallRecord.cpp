#include "settings/InstallRecord.h"

#include "platform/DllSearch.h"
#include "platform/ModulePath.h"
#include "platform/ProcAddress.h"
#include "text/TextConvert.h"

#include <shlwapi.h>

#include <cstring>

namespace {

using GetFileVersionInfoSizeFunction = DWORD(WINAPI*)(const wchar_t*, DWORD*);
using GetFileVersionInfoFunction = BOOL(WINAPI*)(const wchar_t*, DWORD, DWORD, void*);
using VerQueryValueFunction = BOOL(WINAPI*)(const void*, const wchar_t*, void**, UINT*);

}  // namespace

PackedVersion GetFileVersion(const std::wstring& path)
{
    // version.dll is no KnownDLL: linked by name, a copy beside the executable
    // would be taken first and run with the installer's rights.
    const UniqueLibrary library = LoadSystemLibrary(L"version.dll");
    const auto getSize = ProcAddress<GetFileVersionInfoSizeFunction>(library.Get(), "GetFileVersionInfoSizeW");
    const auto getInfo = ProcAddress<GetFileVersionInfoFunction>(library.Get(), "GetFileVersionInfoW");
    const auto queryValue = ProcAddress<VerQueryValueFunction>(library.Get(), "VerQueryValueW");
    if (getSize == nullptr || getInfo == nullptr || queryValue == nullptr) {
        return 0;
    }
    DWORD handle = 0;
    const DWORD size = getSize(path.c_str(), &handle);
    if (size == 0) {
        return 0;
    }
    std::vector<BYTE> data(size);
    if (!getInfo(path.c_str(), 0, size, data.data())) {
        return 0;
    }
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!queryValue(data.data(), L"\\", &fixed, &fixedSize) || fixed == nullptr ||
        fixedSize < sizeof(VS_FIXEDFILEINFO)) {
        return 0;
    }
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, fixed, sizeof(info));
    return (static_cast<PackedVersion>(info.dwFileVersionMS) << 32) | info.dwFileVersionLS;
}

std::wstring FormatVersion(PackedVersion version)
{
    std::wstring text;
    for (int shift = 48; shift >= 0; shift -= 16) {
        if (!text.empty()) {
            text += L'.';
        }
        text += Int64ToText(static_cast<std::int64_t>((version >> shift) & 0xFFFF));
    }
    return text;
}

std::wstring InstallRecordKeyPath(const std::wstring& serviceName)
{
    return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + serviceName;
}

std::wstring UninstallCommand(const std::wstring& executablePath, const std::wstring& serviceName)
{
    // Quoted: with blanks in an unquoted path the system would try the path's
    // first words as a program of their own (C:\Program.exe).
    return L"\"" + executablePath + L"\" -u " + serviceName;
}

std::vector<InstallRecordValue> BuildInstallRecord(const std::wstring& displayName, const std::wstring& serviceName,
                                                   const std::wstring& executablePath, PackedVersion version)
{
    const std::wstring uninstall = UninstallCommand(executablePath, serviceName);
    const DWORD upper = static_cast<DWORD>(version >> 32);
    return {
        {L"DisplayName", REG_SZ, displayName, 0},        {L"Publisher", REG_SZ, L"Velmora - Trevanne", 0},
        {L"InstallLocation", REG_SZ, executablePath, 0}, {L"DisplayVersion", REG_SZ, FormatVersion(version), 0},
        {L"VersionMajor", REG_DWORD, L"", upper >> 16},  {L"VersionMinor", REG_DWORD, L"", upper & 0xFFFF},
        {L"UninstallString", REG_SZ, uninstall, 0},      {L"UninstallPath", REG_SZ, uninstall, 0},
        {L"URLInfoAbout", REG_SZ, kMakerAddress, 0},     {L"URLUpdateInfo", REG_SZ, kMakerAddress, 0},
        {L"HelpLink", REG_SZ, kMakerAddress, 0},
    };
}

void WriteInstallRecord(const std::wstring& displayName, const std::wstring& serviceName)
{
    // The whole path, even beyond 260 characters: a cut path would name no
    // file, and the uninstall command would not run.
    const std::wstring path = GetModulePath(nullptr);
    const std::wstring key = InstallRecordKeyPath(serviceName);
    for (const InstallRecordValue& value : BuildInstallRecord(displayName, serviceName, path, GetFileVersion(path))) {
        // SHSetValueW creates the key on the first write.
        if (value.type == REG_DWORD) {
            ::SHSetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value.name.c_str(), REG_DWORD, &value.number,
                          sizeof(value.number));
        } else {
            ::SHSetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value.name.c_str(), value.type, value.text.c_str(),
                          static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t)));
        }
    }
}

void RemoveInstallRecord(const std::wstring& serviceName)
{
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, InstallRecordKeyPath(serviceName).c_str());
}
