// The program's entry in the system's list of installed programs, and the
// identity of the executable file it records.
#pragma once

#include "platform/Probes.h"

#include <windows.h>

#include <string>
#include <vector>

// The file version of the file's version resource; 0 without a readable one.
PackedVersion GetFileVersion(const std::wstring& path);

// "major.minor.build.revision" in decimal, e.g. "1.6.124.1400".
std::wstring FormatVersion(PackedVersion version);

// "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\" + serviceName.
std::wstring InstallRecordKeyPath(const std::wstring& serviceName);

// The command that removes the program: the quoted executable path, " -u " and
// the service name.
std::wstring UninstallCommand(const std::wstring& executablePath, const std::wstring& serviceName);

// The maker's web address shown with the record.
constexpr wchar_t kMakerAddress[] = L"https://velmora.example/";

struct InstallRecordValue {
    std::wstring name;
    DWORD type;  // REG_SZ or REG_DWORD
    std::wstring text;
    DWORD number;
};

// The record's values in the order they are written.
std::vector<InstallRecordValue> BuildInstallRecord(const std::wstring& displayName, const std::wstring& serviceName,
                                                   const std::wstring& executablePath, PackedVersion version);

// Writes the record for the running executable; write failures are not reported.
void WriteInstallRecord(const std::wstring& displayName, const std::wstring& serviceName);

// Deletes the record key with all its values; a missing key is no error.
void RemoveInstallRecord(const std::wstring& serviceName);
