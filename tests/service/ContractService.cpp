// A service built on ServiceBase that writes what the runtime makes it do to a
// log file, so that a test can check the runtime against the real service
// manager. Arguments: "ok" or "fail", then the log file path.
#include "platform/Handles.h"
#include "service/ServiceBase.h"

#include <cstdio>
#include <string>

namespace {

class ContractService : public ServiceBase {
public:
    ContractService(bool failInit, const wchar_t* logPath)
        : ServiceBase(L"horalcontract", nullptr, nullptr, nullptr),
          failInit(failInit),
          log(::CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }

    void Note(const char* what)
    {
        char line[160];
        const int n =
            std::snprintf(line, sizeof(line), "%s state=%lu exit=%lu checkpoint=%lu waithint=%lu\n", what,
                          status.dwCurrentState, status.dwWin32ExitCode, status.dwCheckPoint, status.dwWaitHint);
        DWORD written = 0;
        ::WriteFile(log.Get(), line, static_cast<DWORD>(n), &written, nullptr);
    }

    bool Initialize() override
    {
        Note("initialize");
        if (failInit) {
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        return true;
    }
    DWORD Run() override
    {
        Note("run");
        ::WaitForSingleObject(stopEvent.Get(), INFINITE);
        Note("run-end");
        return 0;
    }
    void OnStop() override { Note("stop"); }
    void OnInterrogate() override { Note("interrogate"); }
    void OnPause() override { Note("pause"); }
    void OnContinue() override { Note("continue"); }
    void OnShutdown() override { Note("shutdown"); }
    bool OnUserControl(DWORD code) override
    {
        char what[32];
        std::snprintf(what, sizeof(what), "user-%lu", code);
        Note(what);
        return true;
    }

private:
    bool failInit;
    UniqueFile log;
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        return 1;
    }
    ContractService service(std::wstring(argv[1]) == L"fail", argv[2]);
    service.RunDispatcher();
    return static_cast<int>(service.status.dwWin32ExitCode);
}
