// The program's service: keeps the system clock set from RFC 868 time servers.
#pragma once

#include "service/ServiceBase.h"
#include "settings/Parameters.h"

#include <string>

class TimeService : public ServiceBase {
public:
    // Service "vmhoralsvc"; arguments become part of the image path when
    // installing ("-s" for the service role).
    TimeService(const wchar_t* arguments, const wchar_t* serverNames, DWORD interval);
    ~TimeService() override;

    bool Install() override;
    // Asks for confirmation, then removes the service and its record; the
    // record also when the service is gone already. False with the last error
    // ERROR_CANCELLED when the answer was No.
    bool Uninstall() override;
    // One synchronisation at once, then one after every interval until stopped.
    DWORD Run() override;
    // Reads the server list and the interval from the Parameters key, and the
    // policy values that override them.
    bool Initialize() override;
    // kCycleNowControl asks for a cycle at once; other codes do nothing.
    bool OnUserControl(DWORD code) override;

    // What the dialog gave, for installation; in the service role, the
    // settings in effect.
    std::wstring serverNames;
    DWORD interval = 0;

private:
    // Waits for the next cycle, which ended `cycleEnded` (GetTickCount64) and
    // is due `delaySeconds` later or sooner on request or new settings, which
    // it reads. False on a stop.
    bool AwaitNextCycle(SettingsWatch& watch, std::uint64_t cycleEnded, DWORD delaySeconds);
    // Puts the policy values over what Parameters held when last read; true
    // when the settings in effect, or where they came from, changed.
    bool TakeSettings(const PolicyValues& policy);
    ServiceSettings InEffect() const { return {serverNames, interval, serversFrom, intervalFrom}; }

    // What Parameters held when last read: what a withdrawn policy gives way to.
    ServiceParameters local;
    SettingSource serversFrom = SettingSource::Parameters;
    SettingSource intervalFrom = SettingSource::Parameters;

    // Set by the control handler on kCycleNowControl; auto-reset, so requests
    // that come before the cycle starts count once.
    UniqueEvent cycleRequest;
};

// The user-defined control code that asks the running service for a cycle now
// (`sc control vmhoralsvc 128`).
constexpr DWORD kCycleNowControl = 128;
