// The service's two settings under its Parameters key.
#include "Handles.h"
#include "service/TimeService.h"
#include "settings/Registry.h"

namespace {

std::wstring ParametersKeyPath(const std::wstring& serviceName)
{
    return ServiceKeyPath(serviceName) + L"\\Parameters";
}

}  // namespace

bool TimeService::WriteParameters() const
{
    UniqueHkey key;
    if (::RegCreateKeyW(HKEY_LOCAL_MACHINE, ParametersKeyPath(serviceName).c_str(), key.Put()) != ERROR_SUCCESS) {
        return false;
    }
    WriteStringValue(key.Get(), L"ServerNames", serverNames);
    WriteDwordValue(key.Get(), L"TimeInterval", interval);
    return true;
}

bool TimeService::Initialize()
{
    serverNames.clear();
    interval = 0;
    UniqueHkey key;
    const LONG result =
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ParametersKeyPath(serviceName).c_str(), 0, KEY_QUERY_VALUE, key.Put());
    if (result != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(result));
        return false;
    }
    // A list that is missing or not text is an empty list; an interval that is
    // missing or malformed is the dialog's default of one day.
    if (!QueryStringValue(key.Get(), L"ServerNames", serverNames)) {
        serverNames.clear();
    }
    if (!QueryDwordValue(key.Get(), L"TimeInterval", interval)) {
        interval = kDefaultInterval;
    }
    // The failed queries above must not become the service's exit code.
    ::SetLastError(ERROR_SUCCESS);
    return true;
}
