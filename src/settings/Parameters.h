// The service's settings under its key in the registry: the server list and
// the interval, stored under "Parameters" and read at each service start.
#pragma once

#include <windows.h>

#include <string>

// The interval the dialog offers and a malformed stored interval reads as.
constexpr DWORD kDefaultInterval = 86400;

struct ServiceParameters {
    std::wstring serverNames;  // host names separated by blanks
    DWORD interval = 0;        // seconds between synchronisations
};

// "SYSTEM\CurrentControlSet\Services\" + serviceName.
std::wstring ServiceKeyPath(const std::wstring& serviceName);

// Creates the Parameters key and writes both values; false when the key cannot
// be created or opened. The outcomes of the value writes are not looked at.
bool WriteServiceParameters(const std::wstring& serviceName, const ServiceParameters& parameters);

// Reads both values. False when the key cannot be opened; the thread's last
// error is then the registry's error. A list that is missing or not text reads
// as empty, an interval that is missing or not a 4-byte REG_DWORD as one day.
bool ReadServiceParameters(const std::wstring& serviceName, ServiceParameters& parameters);
