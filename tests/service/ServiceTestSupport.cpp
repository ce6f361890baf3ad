#include "ServiceTestSupport.h"

#include "Handles.h"
#include "service/ServiceBase.h"
#include "service/ServiceInstall.h"
#include "service/TimeService.h"
#include "settings/InstallRecord.h"

#include <shlwapi.h>

bool ServiceExists(const wchar_t* serviceName)
{
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(::OpenServiceW(manager.Get(), serviceName, SERVICE_QUERY_STATUS));
    return service.IsValid();
}

bool WaitForServiceGone(const wchar_t* serviceName, DWORD timeoutMilliseconds)
{
    for (DWORD waited = 0; waited <= timeoutMilliseconds; waited += 200) {
        if (!ServiceExists(serviceName)) {
            return true;
        }
        ::Sleep(200);
    }
    return false;
}

bool WaitForServiceState(const wchar_t* serviceName, DWORD state, DWORD timeoutMilliseconds)
{
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(::OpenServiceW(manager.Get(), serviceName, SERVICE_QUERY_STATUS));
    for (DWORD waited = 0; waited <= timeoutMilliseconds; waited += 200) {
        SERVICE_STATUS status{};
        if (::QueryServiceStatus(service.Get(), &status) && status.dwCurrentState == state) {
            return true;
        }
        ::Sleep(200);
    }
    return false;
}

bool KeyExists(const std::wstring& path)
{
    UniqueHkey key;
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

void PurgeHoralService()
{
    {
        UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        UniqueScHandle service(::OpenServiceW(manager.Get(), kServiceName, SERVICE_ALL_ACCESS));
        if (service) {
            SERVICE_STATUS status{};
            ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
            ::DeleteService(service.Get());
        }
    }
    // A stop takes Wine about ten seconds when the handler waits.
    WaitForServiceGone(kServiceName, 60000);
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, InstallRecordKeyPath(kServiceName).c_str());
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, EventSourceKeyPath(kDisplayName).c_str());
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, EventSourceKeyPath(kStoredDisplayName).c_str());
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, ServiceKeyPath(kServiceName).c_str());
}
