#include "service/ServiceBase.h"

#include "platform/Registry.h"
#include "settings/Parameters.h"

ServiceBase* ServiceBase::instance = nullptr;

namespace {

bool IsGiven(const wchar_t* text)
{
    return text != nullptr && text[0] != L'\0';
}

}  // namespace

ServiceBase::ServiceBase(const wchar_t* serviceName, const wchar_t* displayName, const wchar_t* description,
                         const wchar_t* arguments)
{
    instance = this;
    finishedEvent.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
    this->serviceName = serviceName != nullptr ? serviceName : L"";
    this->displayName = IsGiven(displayName) ? displayName : this->serviceName;
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

bool ServiceBase::Startup()
{
    ReportStatus(SERVICE_START_PENDING);
    ::SetLastError(ERROR_SUCCESS);
    const bool initialized = Initialize();
    status.dwWin32ExitCode = ::GetLastError();
    status.dwCheckPoint = 0;
    status.dwWaitHint = 0;
    if (initialized) {
        ReportStatus(SERVICE_RUNNING);
        return true;
    }
    ReportStatus(SERVICE_STOPPED);
    return false;
}

void WINAPI ServiceBase::ServiceMain(DWORD, LPWSTR*)
{
    ServiceBase* self = instance;
    if (self == nullptr) {
        return;
    }
    self->status.dwCurrentState = SERVICE_START_PENDING;
    self->statusHandle = ::RegisterServiceCtrlHandlerW(self->serviceName.c_str(), &ServiceBase::ControlHandler);
    if (self->statusHandle == nullptr) {
        return;
    }
    if (self->Startup()) {
        self->running = 1;
        self->status.dwWin32ExitCode = 0;
        self->status.dwCheckPoint = 0;
        self->status.dwWaitHint = 0;
        self->stopEvent.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
        self->Run();
        self->stopEvent.Reset();
    }
    self->ReportStatus(SERVICE_STOPPED);
    ::SetEvent(self->finishedEvent.Get());
}

void ServiceBase::EndRunAndWait()
{
    running = 0;
    ::SetEvent(stopEvent.Get());
    ::WaitForSingleObject(finishedEvent.Get(), INFINITE);
}

void WINAPI ServiceBase::ControlHandler(DWORD code)
{
    ServiceBase* self = instance;
    if (self == nullptr) {
        return;
    }
    switch (code) {
        case SERVICE_CONTROL_STOP:
            self->ReportStatus(SERVICE_STOP_PENDING);
            self->OnStop();
            self->EndRunAndWait();
            break;
        case SERVICE_CONTROL_PAUSE:
            self->OnPause();
            break;
        case SERVICE_CONTROL_CONTINUE:
            self->OnContinue();
            break;
        case SERVICE_CONTROL_INTERROGATE:
            self->OnInterrogate();
            break;
        case SERVICE_CONTROL_SHUTDOWN:
            // Nothing else would end Run, and the handler must not wait for
            // ever while the system shuts down: end it as a stop does.
            self->ReportStatus(SERVICE_STOP_PENDING);
            self->OnShutdown();
            self->EndRunAndWait();
            break;
        default:
            if (code >= 128) {
                self->OnUserControl(code);
            }
            break;
    }
    ::SetServiceStatus(self->statusHandle, &self->status);
}
