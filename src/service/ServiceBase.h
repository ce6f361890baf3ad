// Generic host that binds one service object to the service control manager.
#pragma once

#include "platform/EventLog.h"
#include "platform/Handles.h"

#include <atomic>
#include <cstdint>
#include <string>

class ServiceBase {
public:
    // serviceName must be given; the other three may be null or empty. The
    // display name and description of an installed service are adopted.
    ServiceBase(const wchar_t* serviceName, const wchar_t* displayName, const wchar_t* description,
                const wchar_t* arguments);
    virtual ~ServiceBase();
    ServiceBase(const ServiceBase&) = delete;
    ServiceBase& operator=(const ServiceBase&) = delete;

    // Registers the service and asks the service control manager to start it.
    // Here and below, a false result leaves the thread's last error telling why.
    virtual bool Install();
    // Stops the service without waiting and deletes it.
    virtual bool Uninstall();
    // The service's work; must return soon after `running` is cleared and
    // `stopEvent` is set. The result is not looked at.
    virtual DWORD Run();
    // Loads what Run needs; on false the thread's last error is the exit code.
    virtual bool Initialize();
    virtual void OnStop() {}
    virtual void OnInterrogate() {}
    virtual void OnPause() {}
    virtual void OnContinue() {}
    virtual void OnShutdown() {}
    // Control codes 128 and above.
    virtual bool OnUserControl(DWORD code);

    // Hands the calling thread to the service control manager until the
    // service has stopped; false when the process was not started as a service.
    bool RunDispatcher();
    static void WINAPI ServiceMain(DWORD argc, LPWSTR* argv);
    static void WINAPI ControlHandler(DWORD code);
    BOOL ReportStatus(DWORD state);
    // Start phase of ServiceMain: reports start pending, initialises, and
    // reports running unless initialising failed or a stop came meanwhile.
    bool Startup();

    // Registration with the service control manager and its event source; a
    // registration that fails halfway is taken back.
    bool RegisterService();
    bool StartInstalledService();
    // Removes the event source key if the last registration made it.
    void ForgetEventSource();

    // Writes `event` through `eventSourceName`. A log that cannot be opened or
    // written changes nothing, not even the thread's last error.
    void ReportEvent(const EventRecord& event);

    // The one service object of the process.
    static ServiceBase* instance;

    std::wstring serviceName;
    std::wstring displayName;
    // The event source that installation registers and every event goes
    // through: the display name given at construction. A stored name adopted
    // from an installed service (one an administrator renamed) does not change
    // it, or events would go to a source nobody registered.
    std::wstring eventSourceName;
    std::wstring description;
    std::wstring arguments;
    SERVICE_STATUS status{};
    UniqueEventSource eventSource;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    // Shared between the dispatcher and service threads.
    std::atomic<std::int32_t> running{0};
    UniqueEvent finishedEvent;
    // Created before the control handler is registered and kept until the
    // object dies: a stop may signal it at any moment of the service's life.
    UniqueEvent stopEvent;

private:
    // Reports `state` (0: the current state again) unless a stop has been
    // taken on or the final status is settled.
    void ReportUnlessEnding(DWORD state);
    // Stop and shutdown: ends Run, waits until ServiceMain is done and makes
    // the one SERVICE_STOPPED report of this start.
    void StopAndWait(void (ServiceBase::*hook)());
    // Last step of ServiceMain: settles the final status and reports it,
    // unless a waiting stop handler does.
    void Finish();

    // Who makes the final report. Both flags and every report other than the
    // final one are taken under the lock, so that no other state follows
    // STOP_PENDING and SERVICE_STOPPED goes out exactly once. The final report
    // itself is made outside it: Wine's dispatcher holds its own lock while a
    // handler runs, and a SERVICE_STOPPED report from the service thread waits
    // for that lock.
    SRWLOCK statusLock = SRWLOCK_INIT;
    bool eventSourceCreated = false;  // by the last RegisterService
    bool stopClaimed = false;         // a stop handler ends the service and reports
    bool finishing = false;           // ServiceMain is done; no report but the final one
};
