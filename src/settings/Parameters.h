// The service's settings in the registry: the server list and the interval,
// stored under its key's "Parameters", where a Group Policy may override them
// value by value, and followed while the service runs.
#pragma once

#include "platform/Handles.h"

#include <array>
#include <cstdint>
#include <optional>
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

// The rules of the dialog and of the package for the two settings. The
// interval a text gives: a whole number of seconds written in
// digits, blanks anywhere skipped ("3 600"), from kShortestInterval to
// 4294967295. False for anything else ("90 s", "1e3", "-1", "", "4294967296").
bool IntervalFromText(const std::wstring& text, std::uint32_t& seconds);

// Whether a server list names at least one server once blanks are skipped.
bool NamesAServer(const std::wstring& text);

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

// Where Group Policy keeps the service's settings (values "ServerNames" and
// "TimeInterval", as under Parameters), and the key whose subtree is watched for
// them coming and going. On 64-bit Windows the policy client writes the 64-bit
// view of the registry, which is where the 32-bit service looks.
struct PolicyLocation {
    const wchar_t* root;
    const wchar_t* key;
};
constexpr PolicyLocation kPolicyLocation{L"SOFTWARE\\Policies", L"SOFTWARE\\Policies\\Velmora\\HoralSvc"};

// The values a policy sets; each absent when missing or not of its type.
struct PolicyValues {
    std::optional<std::wstring> serverNames;
    std::optional<DWORD> interval;
};

// Reads the policy values under `key` of HKLM, with the reading rules of Parameters.
PolicyValues ReadPolicyValues(const wchar_t* key = kPolicyLocation.key);

enum class SettingSource { Parameters, Policy };

// The settings in effect and where each came from.
struct ServiceSettings {
    std::wstring serverNames;
    DWORD interval = 0;
    SettingSource serversFrom = SettingSource::Parameters;
    SettingSource intervalFrom = SettingSource::Parameters;

    bool operator==(const ServiceSettings& other) const;
};

// Value by value, a policy value that is present wins over Parameters.
ServiceSettings ApplyPolicy(const PolicyValues& policy, const ServiceParameters& parameters);

// "policy" or "Parameters", as the service's status names a source.
const wchar_t* SettingSourceName(SettingSource source);

// The registry key a setting came from, as an administrator would look it up:
// "HKLM\SOFTWARE\Policies\Velmora\HoralSvc" or "HKLM\SYSTEM\...\<serviceName>\Parameters".
std::wstring SettingSourceKey(SettingSource source, const std::wstring& serviceName);

// Watches where a running service's settings come from, so that new settings
// take effect without a restart: its Parameters key and the policy key.
class SettingsWatch {
public:
    explicit SettingsWatch(const std::wstring& serviceName, const wchar_t* policyRoot = kPolicyLocation.root);

    // Asks for one notice of the next change: of the values of Parameters, of
    // the service key's subkeys (Parameters deleted or made again), or anywhere
    // below the policy root (a policy applied, changed or withdrawn). The
    // event may also be set when nothing changed, so a notice calls for a
    // look, not for action. False when nothing can be watched.
    bool Arm();
    // Auto-reset, one for each key watched; set by the system on a change after
    // Arm. Registering a notice resets its event, so an event shared by the
    // keys would lose a change to one key made while the next is being watched
    // (and that key's notice, spent, would tell of no later change either).
    std::array<HANDLE, 3> Events() const { return {changed[0].Get(), changed[1].Get(), changed[2].Get()}; }

private:
    std::wstring serviceName;
    const wchar_t* policyRoot;
    UniqueEvent changed[3];
    UniqueHkey service;
    UniqueHkey parameters;
    UniqueHkey policies;
};
