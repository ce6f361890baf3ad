#include "service/ServiceBase.h"

#include "platform/Registry.h"
#include "res/MessageIds.h"
#include "settings/Parameters.h"

ServiceBase* ServiceBase::instance = nullptr;

namespace {

bool IsGiven(const wchar_t* text)
{
    return text != nullptr && text[0] != L'\0';
}

class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : lock(lock) { ::AcquireSRWLockExclusive(&lock); }
    ~ExclusiveLock() { ::ReleaseSRWLockExclusive(&lock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    SRWLOCK& lock;
};

}  // namespace

ServiceBase::ServiceBase(const wchar_t* serviceName, const wchar_t* displayName, const wchar_t* description,
                         const wchar_t* arguments)
{
    instance = this;
    finishedEvent.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
    this->serviceName = serviceName != nullptr ? serviceName : L"";
    this->displayName = IsGiven(displayName) ? displayName : this->serviceName;
    eventSourceName = this->displayName;
    if (IsGiven(description)) {
        this->description = description;
    }
    if (IsGiven(arguments)) {
        this->arguments = arguments;
    }

    // An installed service keeps the names it was registered with; a value
    // that is missing or not text leaves the name from the arguments.
    UniqueHkey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ServiceKeyPath(this->serviceName).c_str(), 0, KEY_QUERY_VALUE, key.Put()) ==
        ERROR_SUCCESS) {
        QueryStringValue(key.Get(), L"DisplayName", this->displayName);
        QueryStringValue(key.Get(), L"Description", this->description);
    }

    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = SERVICE_STOPPED;
    status.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_NETBINDCHANGE;
}

ServiceBase::~ServiceBase()
{
    if (instance == this) {
        instance = nullptr;
    }
}

DWORD ServiceBase::Run()
{
    while (running != 0) {
        ::Sleep(5000);
    }
    return 0;
}

bool ServiceBase::Initialize()
{
    return true;
}

bool ServiceBase::OnUserControl(DWORD)
{
    return false;
}

bool ServiceBase::RunDispatcher()
{
    SERVICE_TABLE_ENTRYW table[] = {
        {const_cast<wchar_t*>(serviceName.c_str()), &ServiceBase::ServiceMain},
        {nullptr, nullptr},
    };
    return ::StartServiceCtrlDispatcherW(table) != FALSE;
}

BOOL ServiceBase::ReportStatus(DWORD state)
{
    status.dwCurrentState = state;
    return ::SetServiceStatus(statusHandle, &status);
}

void ServiceBase::ReportEvent(const EventRecord& event)
{
    const DWORD error = ::GetLastError();
    // Opened at the first event: most runs of the desktop roles write none.
    if (!eventSource) {
        eventSource.Reset(::RegisterEventSourceW(nullptr, eventSourceName.c_str()));
    }
    WriteEvent(eventSource.Get(), event);
    ::SetLastError(error);
}

bool ServiceBase::Startup()
{
    ReportUnlessEnding(SERVICE_START_PENDING);
    ::SetLastError(ERROR_SUCCESS);
    const bool initialized = Initialize();
    const DWORD error = ::GetLastError();
    if (!initialized) {
        ReportEvent({EVENTLOG_ERROR_TYPE, kMessageInitializationFailed, {}});
    }
    {
        ExclusiveLock lock(statusLock);
        status.dwWin32ExitCode = initialized ? ERROR_SUCCESS : error;
        status.dwCheckPoint = 0;
        status.dwWaitHint = 0;
        // A stop that came while starting has reported STOP_PENDING already; the
        // next state may only be SERVICE_STOPPED.
        if (!initialized || stopClaimed) {
            return false;
        }
        ReportStatus(SERVICE_RUNNING);
    }
    ReportEvent({EVENTLOG_INFORMATION_TYPE, kMessageServiceStarted, {}});
    return true;
}

void WINAPI ServiceBase::ServiceMain(DWORD, LPWSTR*)
{
    ServiceBase* self = instance;
    if (self == nullptr) {
        return;
    }
    // A stop can arrive as soon as the handler is registered, so what it
    // touches exists before then.
    self->running = 1;
    self->stopEvent.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
    self->status.dwCurrentState = SERVICE_START_PENDING;
    self->statusHandle = ::RegisterServiceCtrlHandlerW(self->serviceName.c_str(), &ServiceBase::ControlHandler);
    if (self->statusHandle == nullptr) {
        self->ReportEvent({EVENTLOG_ERROR_TYPE, kMessageNoControlHandler, {}});
        return;
    }
    // Every start told is followed by its stop; a start that failed or was
    // stopped before it ran is told by neither.
    if (self->Startup()) {
        self->Run();
        self->ReportEvent({EVENTLOG_INFORMATION_TYPE, kMessageServiceStopped, {}});
    }
    self->Finish();
}

void ServiceBase::Finish()
{
    bool handlerReports = false;
    {
        ExclusiveLock lock(statusLock);
        handlerReports = stopClaimed;
        finishing = true;
        status.dwCurrentState = SERVICE_STOPPED;
    }
    ::SetEvent(finishedEvent.Get());
    if (!handlerReports) {
        // Run ended on its own or the start failed. After this report the
        // process may end at any moment, so nothing follows it.
        ::SetServiceStatus(statusHandle, &status);
    }
}

void ServiceBase::ReportUnlessEnding(DWORD state)
{
    ExclusiveLock lock(statusLock);
    if (!stopClaimed && !finishing) {
        ReportStatus(state != 0 ? state : status.dwCurrentState);
    }
}

void ServiceBase::StopAndWait(void (ServiceBase::*hook)())
{
    {
        ExclusiveLock lock(statusLock);
        // Finishing: ServiceMain reports SERVICE_STOPPED itself, and under
        // Wine that report cannot go out while this handler waits.
        if (stopClaimed || finishing) {
            return;
        }
        stopClaimed = true;
        ReportStatus(SERVICE_STOP_PENDING);
    }
    (this->*hook)();
    running = 0;
    ::SetEvent(stopEvent.Get());
    ::WaitForSingleObject(finishedEvent.Get(), INFINITE);
    // ServiceMain has settled the final status and left its report to us.
    ::SetServiceStatus(statusHandle, &status);
}

void WINAPI ServiceBase::ControlHandler(DWORD code)
{
    ServiceBase* self = instance;
    if (self == nullptr) {
        return;
    }
    switch (code) {
        case SERVICE_CONTROL_STOP:
            self->StopAndWait(&ServiceBase::OnStop);
            return;
        case SERVICE_CONTROL_SHUTDOWN:
            // Nothing else would end Run, and the system waits for the
            // service: a shutdown ends it as a stop does.
            self->StopAndWait(&ServiceBase::OnShutdown);
            return;
        case SERVICE_CONTROL_PAUSE:
            self->OnPause();
            break;
        case SERVICE_CONTROL_CONTINUE:
            self->OnContinue();
            break;
        case SERVICE_CONTROL_INTERROGATE:
            self->OnInterrogate();
            break;
        default:
            if (code >= 128) {
                self->OnUserControl(code);
            }
            break;
    }
    self->ReportUnlessEnding(0);
}
