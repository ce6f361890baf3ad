// A service built on ServiceBase that logs what the runtime makes it do, so a
// journey can check the runtime against the real service manager.
// Arguments: the mode, then the log file. Modes: "ok"; "slow" (Initialize
// takes 1.5 s); "quit" (Run ends on its own at once); "shutdown" (0.3 s into
// Run a thread of its own delivers SERVICE_CONTROL_SHUTDOWN, as the system
// would; Wine's manager never does); "direct" (ServiceMain called without the
// manager, so that no control handler can be registered).
#include "platform/Handles.h"
#include "service/ServiceBase.h"

#include <cstdio>
#include <string>
#include <thread>

namespace {

class ContractService : public ServiceBase {
public:
    ContractService(const std::wstring& mode, const wchar_t* logPath)
        : ServiceBase(L"horalcontract", nullptr, nullptr, nullptr), mode(mode), log(_wfopen(logPath, L"a"))
    {
    }
    ~ContractService() override { std::fclose(log); }

    void Note(const std::string& what)
    {
        std::fprintf(log, "%s state=%lu exit=%lu checkpoint=%lu waithint=%lu running=%d event=%d\n", what.c_str(),
                     status.dwCurrentState, status.dwWin32ExitCode, status.dwCheckPoint, status.dwWaitHint,
                     static_cast<int>(running), stopEvent.IsValid() ? 1 : 0);
        std::fflush(log);
    }

    bool Initialize() override { return Note("initialize"), ::Sleep(mode == L"slow" ? 1500 : 0), true; }
    DWORD Run() override
    {
        Note("run");
        if (mode == L"shutdown") {
            shutdown = std::thread([] { ::Sleep(300), ControlHandler(SERVICE_CONTROL_SHUTDOWN); });
        }
        ::WaitForSingleObject(stopEvent.Get(), mode == L"quit" ? 0 : INFINITE);
        Note("run-end");
        return 0;
    }
    void OnStop() override { Note("stop"); }
    void OnInterrogate() override { Note("interrogate"); }
    void OnShutdown() override { Note("shutdown"); }
    bool OnUserControl(DWORD code) override { return Note("user-" + std::to_string(code)), true; }

    std::wstring mode;
    FILE* log;
    std::thread shutdown;
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    ContractService service(argc > 2 ? argv[1] : L"", argc > 2 ? argv[2] : L"NUL");
    service.mode == L"direct" ? ServiceBase::ServiceMain(0, nullptr) : void(service.RunDispatcher());
    if (service.shutdown.joinable()) {
        service.shutdown.join();
    }
    return static_cast<int>(service.status.dwWin32ExitCode);
}
