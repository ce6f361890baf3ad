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
    if (::RegCreateKeyW(HKEY_LOCAL_MACHINE, ParametersKeyPath(serviceName).c_str(), key.Put()) != ERROR_SUCCESS) {
        return false;
    }
    WriteStringValue(key.Get(), L"ServerNames", parameters.serverNames);
    WriteDwordValue(key.Get(), L"TimeInterval", parameters.interval);
    return true;
}

bool ReadServiceParameters(const std::wstring& serviceName, ServiceParameters& parameters)
{
    parameters = ServiceParameters{};
    UniqueHkey key;
    const LONG result =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ParametersKeyPath(serviceName).c_str(), 0, KEY_QUERY_VALUE, key.Put());
    if (result != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(result));
        return false;
    }
    if (!QueryStringValue(key.Get(), L"ServerNames", parameters.serverNames)) {
        parameters.serverNames.clear();
    }
    if (!QueryDwordValue(key.Get(), L"TimeInterval", parameters.interval)) {
        parameters.interval = kDefaultInterval;
    }
    // The failed queries above must not become the service's exit code.
    ::SetLastError(ERROR_SUCCESS);
    return true;
}
