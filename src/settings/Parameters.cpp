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

ParametersWatch::ParametersWatch(const std::wstring& serviceName)
    : serviceName(serviceName), changed(::CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

bool ParametersWatch::Arm()
{
    // A notice is for one change only, and its key must stay open until then.
    // Closing the keys of the last notice may set the event: no change, but
    // the reader must allow for such wakes anyway.
    parameters.Reset();
    service.Reset();
    ::ResetEvent(changed.Get());
    // The values of Parameters; and the subkeys of the service key coming and
    // going, since a deleted key tells its own watchers nothing on every system.
    const auto watch = [this](const std::wstring& path, UniqueHkey& key, DWORD filter) {
        return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_NOTIFY, key.Put()) == ERROR_SUCCESS &&
               ::RegNotifyChangeKeyValue(key.Get(), FALSE, filter, changed.Get(), TRUE) == ERROR_SUCCESS;
    };
    const bool subkeys = watch(ServiceKeyPath(serviceName), service, REG_NOTIFY_CHANGE_NAME);
    const bool values =
        watch(ParametersKeyPath(serviceName), parameters, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET);
    return subkeys || values;
}
