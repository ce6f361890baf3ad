// Registering, starting, stopping and deleting the service, and the extra
// steps TimeService adds: parameters, installation record, confirmation.
#include "service/ServiceInstall.h"

#include "platform/Handles.h"
#include "platform/ModuleInstance.h"
#include "platform/ModulePath.h"
#include "platform/Registry.h"
#include "platform/StringResource.h"
#include "res/MessageIds.h"
#include "res/ResourceIds.h"
#include "service/TimeService.h"
#include "settings/InstallRecord.h"
#include "settings/Parameters.h"

namespace {

// Keeps the error of a failed step as the thread's last error past the
// closing of the handles still open at that point, which may change it.
// Declared before those handles, so that it is destroyed after them.
class FailureError {
public:
    FailureError() = default;
    FailureError(const FailureError&) = delete;
    FailureError& operator=(const FailureError&) = delete;
    ~FailureError()
    {
        if (error != ERROR_SUCCESS) {
            ::SetLastError(error);
        }
    }

    // Notes `code` (by default the thread's last error) and returns false.
    bool Fail(DWORD code = ::GetLastError())
    {
        error = code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
        return false;
    }

private:
    DWORD error = ERROR_SUCCESS;
};

}  // namespace

std::wstring BuildImagePath(const std::wstring& executablePath, const std::wstring& arguments)
{
    std::wstring path = L"\"" + executablePath + L"\"";
    if (!arguments.empty()) {
        path += L" " + arguments;
    }
    return path;
}

std::wstring BuildUninstallQuestion(const std::wstring& format, const std::wstring& displayName)
{
    // Substituted by hand rather than with swprintf: a translated format must
    // not be able to pull further arguments, and MinGW's C99 swprintf would
    // read %s as a narrow string.
    std::wstring text;
    bool nameUsed = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            const wchar_t next = format[i + 1];
            if (next == L'%') {
                text += L'%';
                ++i;
                continue;
            }
            if (next == L's' && !nameUsed) {
                text += displayName;
                nameUsed = true;
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

std::wstring EventSourceKeyPath(const std::wstring& sourceName)
{
    return L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + sourceName;
}

bool ServiceBase::RegisterService()
{
    FailureError failure;
    UniqueScHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        return failure.Fail();
    }
    const std::wstring executablePath = GetModulePath(nullptr);
    // Without its own path the service could only be registered to run nothing.
    if (executablePath.empty()) {
        return failure.Fail();
    }
    const std::wstring imagePath = BuildImagePath(executablePath, arguments);
    UniqueScHandle service(::CreateServiceW(manager.Get(), serviceName.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                                            SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                            imagePath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) {
        return failure.Fail();
    }

    // The event source that ReportEvent writes through; its messages are in
    // this executable's message table.
    // A registration that fails halfway is taken back: a service left without
    // its keys would block the next installation.
    const auto takeBack = [this, &service, &failure](LONG error) {
        ::DeleteService(service.Get());
        ForgetEventSource();
        return failure.Fail(static_cast<DWORD>(error));
    };
    UniqueHkey eventSource;
    DWORD disposition = 0;
    LONG result = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, EventSourceKeyPath(eventSourceName).c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, eventSource.Put(), &disposition);
    if (result != ERROR_SUCCESS) {
        return takeBack(result);
    }
    eventSourceCreated = disposition == REG_CREATED_NEW_KEY;
    WriteStringValue(eventSource.Get(), L"EventMessageFile", executablePath, REG_EXPAND_SZ);
    WriteDwordValue(eventSource.Get(), L"TypesSupported",
                    EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE);
    eventSource.Reset();

    // The service control manager has just made this key.
    UniqueHkey serviceKey;
    result = ::RegCreateKeyW(HKEY_LOCAL_MACHINE, ServiceKeyPath(serviceName).c_str(), serviceKey.Put());
    if (result != ERROR_SUCCESS) {
        return takeBack(result);
    }
    WriteStringValue(serviceKey.Get(), L"Description", description);
    return true;
}

void ServiceBase::ForgetEventSource()
{
    // Only a key this registration made: one an earlier installation left
    // stays, as an uninstall leaves it.
    if (eventSourceCreated) {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, EventSourceKeyPath(eventSourceName).c_str());
        eventSourceCreated = false;
    }
}

bool ServiceBase::StartInstalledService()
{
    FailureError failure;
    UniqueScHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        return failure.Fail();
    }
    UniqueScHandle service(::OpenServiceW(manager.Get(), serviceName.c_str(), SERVICE_START));
    if (!service) {
        return failure.Fail();
    }
    // Whether the service comes up is its own business; asking is enough.
    ::StartServiceA(service.Get(), 0, nullptr);
    return true;
}

bool ServiceBase::Install()
{
    return RegisterService() && StartInstalledService();
}

bool ServiceBase::Uninstall()
{
    FailureError failure;
    UniqueScHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        return failure.Fail();
    }
    UniqueScHandle service(
        ::OpenServiceW(manager.Get(), serviceName.c_str(), DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS));
    if (!service) {
        return failure.Fail();
    }
    // Ask a service that may be running to stop, but do not wait for it: the
    // deletion takes effect once it has stopped.
    SERVICE_STATUS current{};
    const bool known = ::QueryServiceStatus(service.Get(), &current) != FALSE;
    if (!known || (current.dwCurrentState != SERVICE_STOP_PENDING && current.dwCurrentState != SERVICE_STOPPED)) {
        SERVICE_STATUS ignored{};
        ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &ignored);
    }
    return ::DeleteService(service.Get()) != FALSE || failure.Fail();
}

bool TimeService::Install()
{
    // A service that is already registered fails here, before anything of the
    // existing installation is overwritten.
    if (!RegisterService()) {
        return false;
    }
    // From here on the service is this installation's own. A step that fails
    // takes it away again: left behind, it would end with error 2 at every
    // boot, be missing from the installed programs, and make the next
    // installation fail at the registration.
    // The caller is told why the installation failed, not what taking it back left.
    FailureError failure;
    if (WriteServiceParameters(serviceName, ServiceParameters{serverNames, interval})) {
        WriteInstallRecord(displayName, serviceName);
        if (StartInstalledService()) {
            ReportEvent({EVENTLOG_INFORMATION_TYPE, kMessageServiceInstalled, {displayName}});
            return true;
        }
        failure.Fail();
        RemoveInstallRecord(serviceName);
    } else {
        failure.Fail();
    }
    ServiceBase::Uninstall();
    ForgetEventSource();
    return false;
}

bool TimeService::Uninstall()
{
    const std::wstring question =
        BuildUninstallQuestion(LoadStringResource(g_moduleInstance, IDS_UNINSTALL_QUESTION), displayName);
    if (::MessageBoxW(nullptr, question.c_str(), kDisplayName, MB_YESNO) != IDYES) {
        ::SetLastError(ERROR_CANCELLED);
        return false;
    }
    // A service already gone (deleted by hand or by a script) leaves only its
    // record behind; removing it completes the removal asked for, and the
    // entry can no longer be stuck in the list of installed programs.
    if (!ServiceBase::Uninstall() && ::GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST) {
        ReportEvent({EVENTLOG_ERROR_TYPE, kMessageServiceNotRemoved, {displayName}});
        return false;
    }
    RemoveInstallRecord(serviceName);
    ReportEvent({EVENTLOG_INFORMATION_TYPE, kMessageServiceRemoved, {displayName}});
    return true;
}
