// The service's settings under its key in the registry: the server list and
// the interval, stored under "Parameters" and read at each service start.
#pragma once

#include "platform/Handles.h"

#include <string>

// The service's name, and the name it is shown by (also the caption of the
// program's messages).
constexpr wchar_t kServiceName[] = L"vmhoralsvc";
constexpr wchar_t kDisplayName[] = L"Velmora Horal Service";

// The interval the dialog offers and a malformed stored interval reads as.
constexpr DWORD kDefaultInterval = 86400;
// The shortest interval the dialog accepts: public time services refuse
// clients that ask more often.
constexpr DWORD kShortestInterval = 4;

struct ServiceParameters {
    std::wstring serverNames;  // host names separated by blanks
    DWORD interval = 0;        // seconds between synchronisations
};

// "SYSTEM\CurrentControlSet\Services\" + serviceName.
std::wstring ServiceKeyPath(const std::wstring& serviceName);

// Creates the Parameters key and writes both values; false, with the registry's
// error as the last error, when the key cannot be created or opened. The
// outcomes of the value writes are not looked at.
bool WriteServiceParameters(const std::wstring& serviceName, const ServiceParameters& parameters);

// Reads both values. False when the key cannot be opened; the thread's last
// error is then the registry's error. A list that is missing or not text reads
// as empty, an interval that is missing or not a 4-byte REG_DWORD as one day.
bool ReadServiceParameters(const std::wstring& serviceName, ServiceParameters& parameters);

// Reads both values again while the service runs: a value that cannot be
// read (being written, or deleted) keeps what `parameters` holds. False, with
// nothing changed, when the key cannot be opened.
bool RereadServiceParameters(const std::wstring& serviceName, ServiceParameters& parameters);

// Watches the Parameters key of a running service, so that new settings take
// effect without a restart.
class ParametersWatch {
public:
    explicit ParametersWatch(const std::wstring& serviceName);

    // Asks for one notice of the next change: of the key's values, or of the
    // service key's subkeys (Parameters deleted or made again). The event may
    // also be set when nothing changed, so a notice calls for a look, not for
    // action. False when nothing can be watched.
    bool Arm();
    // Auto-reset; set by the system on a change after Arm.
    HANDLE Event() const { return changed.Get(); }

private:
    std::wstring serviceName;
    UniqueEvent changed;
    UniqueHkey service;
    UniqueHkey parameters;
};
