#include "settings/Parameters.h"

#include "platform/Handles.h"
#include "platform/Registry.h"

namespace {

std::wstring ParametersKeyPath(const std::wstring& serviceName)
{
    return ServiceKeyPath(serviceName) + L"\\Parameters";
}

}  // namespace

std::wstring ServiceKeyPath(const std::wstring& serviceName)
{
    return L"SYSTEM\\CurrentControlSet\\Services\\" + serviceName;
}

bool IntervalFromText(const std::wstring& text, std::uint32_t& seconds)
{
    // Blanks are skipped as the service's own reading of numbers skips them;
    // anything else that is not a digit makes the text no number of seconds.
    std::uint64_t value = 0;
    bool digits = false;
    for (const wchar_t c : text) {
        if (c == L' ') {
            continue;
        }
        if (c < L'0' || c > L'9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
        digits = true;
        if (value > 0xFFFFFFFFu) {
            return false;
        }
    }
    if (!digits || value < kShortestInterval) {
        return false;
    }
    seconds = static_cast<std::uint32_t>(value);
    return true;
}

bool NamesAServer(const std::wstring& text)
{
    return text.find_first_not_of(L' ') != std::wstring::npos;
}

bool WriteServiceParameters(const std::wstring& serviceName, const ServiceParameters& parameters)
{
    UniqueHkey key;
    const LONG result = ::RegCreateKeyW(HKEY_LOCAL_MACHINE, ParametersKeyPath(serviceName).c_str(), key.Put());
    if (result != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(result));
        return false;
    }
    WriteStringValue(key.Get(), L"ServerNames", parameters.serverNames);
    WriteDwordValue(key.Get(), L"TimeInterval", parameters.interval);
    return true;
}

namespace {

// Reads what the key holds into `parameters`; a value that cannot be read
// leaves its field as it is.
bool ReadInto(const std::wstring& serviceName, ServiceParameters& parameters)
{
    UniqueHkey key;
    const LONG result =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ParametersKeyPath(serviceName).c_str(), 0, KEY_QUERY_VALUE, key.Put());
    if (result != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(result));
        return false;
    }
    // REG_EXPAND_SZ is read as it stands: some deployment tools write the
    // list so, and no %variable% belongs in a host name.
    QueryStringValue(key.Get(), L"ServerNames", parameters.serverNames);
    QueryDwordValue(key.Get(), L"TimeInterval", parameters.interval);
    // The failed queries above must not become the service's exit code.
    ::SetLastError(ERROR_SUCCESS);
    return true;
}

}  // namespace

bool ReadServiceParameters(const std::wstring& serviceName, ServiceParameters& parameters)
{
    parameters = ServiceParameters{L"", kDefaultInterval};
    return ReadInto(serviceName, parameters);
}

bool RereadServiceParameters(const std::wstring& serviceName, ServiceParameters& parameters)
{
    return ReadInto(serviceName, parameters);
}

PolicyValues ReadPolicyValues(const wchar_t* key)
{
    PolicyValues values;
    // KEY_WOW64_64KEY: the policy client of 64-bit Windows writes the 64-bit
    // view; 32-bit Windows ignores the flag.
    UniqueHkey policy;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, policy.Put()) == ERROR_SUCCESS) {
        std::wstring servers;
        DWORD interval = 0;
        if (QueryStringValue(policy.Get(), L"ServerNames", servers)) {
            values.serverNames = servers;
        }
        if (QueryDwordValue(policy.Get(), L"TimeInterval", interval)) {
            values.interval = interval;
        }
    }
    return values;
}

bool ServiceSettings::operator==(const ServiceSettings& other) const
{
    return serverNames == other.serverNames && interval == other.interval && serversFrom == other.serversFrom &&
           intervalFrom == other.intervalFrom;
}

ServiceSettings ApplyPolicy(const PolicyValues& policy, const ServiceParameters& parameters)
{
    ServiceSettings settings{parameters.serverNames, parameters.interval};
    if (policy.serverNames) {
        settings.serverNames = *policy.serverNames;
        settings.serversFrom = SettingSource::Policy;
    }
    if (policy.interval) {
        settings.interval = *policy.interval;
        settings.intervalFrom = SettingSource::Policy;
    }
    return settings;
}

const wchar_t* SettingSourceName(SettingSource source)
{
    return source == SettingSource::Policy ? L"policy" : L"Parameters";
}

std::wstring SettingSourceKey(SettingSource source, const std::wstring& serviceName)
{
    return L"HKLM\\" +
           (source == SettingSource::Policy ? std::wstring(kPolicyLocation.key) : ParametersKeyPath(serviceName));
}

SettingsWatch::SettingsWatch(const std::wstring& serviceName, const wchar_t* policyRoot)
    : serviceName(serviceName), policyRoot(policyRoot)
{
    for (UniqueEvent& event : changed) {
        event.Reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    }
}

bool SettingsWatch::Arm()
{
    // A notice is for one change only, and its key must stay open until then.
    // Closing the keys of the last notice may set the event: no change, but
    // the reader must allow for such wakes anyway.
    policies.Reset();
    parameters.Reset();
    service.Reset();
    const auto watch = [](const wchar_t* path, REGSAM view, BOOL subtree, DWORD filter, UniqueHkey& key,
                          const UniqueEvent& event) {
        ::ResetEvent(event.Get());
        return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_NOTIFY | view, key.Put()) == ERROR_SUCCESS &&
               ::RegNotifyChangeKeyValue(key.Get(), subtree, filter, event.Get(), TRUE) == ERROR_SUCCESS;
    };
    // The values of Parameters; and the subkeys of the service key coming and
    // going, since a deleted key tells its own watchers nothing on every system.
    const bool subkeys =
        watch(ServiceKeyPath(serviceName).c_str(), 0, FALSE, REG_NOTIFY_CHANGE_NAME, service, changed[0]);
    const bool values = watch(ParametersKeyPath(serviceName).c_str(), 0, FALSE,
                              REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, parameters, changed[1]);
    // The whole policy tree, which is there on every system: the service's
    // policy key and its parent may come and go with the policy. A change
    // of another program's policy only makes the service look again.
    const bool policy = watch(policyRoot, KEY_WOW64_64KEY, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                              policies, changed[2]);
    return subkeys || values || policy;
}
