// The program's service: keeps the system clock set from RFC 868 time servers.
#pragma once

#include "service/ServiceBase.h"

#include <string>

class TimeService : public ServiceBase {
public:
    // Service "vmhoralsvc"; arguments become part of the image path when
    // installing ("-s" for the service role).
    TimeService(const wchar_t* arguments, const wchar_t* serverNames, DWORD interval);
    ~TimeService() override;

    bool Install() override;
    // Asks for confirmation, then removes the service and its record.
    bool Uninstall() override;
    // One synchronisation at once, then one after every interval until stopped.
    DWORD Run() override;
    // Reads the server list and the interval from the Parameters key.
    bool Initialize() override;

    std::wstring serverNames;
    DWORD interval = 0;
};

constexpr wchar_t kServiceName[] = L"vmhoralsvc";
constexpr wchar_t kDisplayName[] = L"Velmora Horal Service";
