// Test tool: drives the Wine service manager for end-to-end tests and prints
// what it sees as KEY=VALUE lines.
//   svcctl create NAME IMAGEPATH      register an own-process, demand-start service
//   svcctl start NAME [IMAGE]         start it; prints SEEN (the statuses seen until it
//                                     runs, or for 15 s) and, given the image file name
//                                     (HoralSvc.exe), PROCESSEXIT if the process ended
//   svcctl stop NAME                  send stop; prints the returned STATE, and MS, the
//                                     time until the service reported STOPPED
//   svcctl control NAME CODE          send a control code; prints RESULT and STATE
//   svcctl query NAME                 prints STATE, EXIT, CHECKPOINT, WAITHINT
//   svcctl delete NAME
//   svcctl alive PID                  prints ALIVE=1 while that process runs
#include "platform/Handles.h"

#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

namespace {

void Print(const SERVICE_STATUS& s)
{
    std::printf("STATE=%lu\nEXIT=%lu\nCHECKPOINT=%lu\nWAITHINT=%lu\n", s.dwCurrentState, s.dwWin32ExitCode,
                s.dwCheckPoint, s.dwWaitHint);
}

// A handle to a running process whose image file name is `image`, or null.
HANDLE FindProcess(const std::wstring& image)
{
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot && ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, image.c_str()) == 0) {
            return ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        }
    }
    return nullptr;
}

int Fail(const char* what)
{
    std::printf("ERROR=%s %lu\n", what, ::GetLastError());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        return 2;
    }
    const std::wstring command = argv[1];
    const wchar_t* name = argv[2];
    if (command == L"alive") {
        UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, std::wcstoul(name, nullptr, 10)));
        std::printf("ALIVE=%d\n", process && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT ? 1 : 0);
        return 0;
    }
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        return Fail("OpenSCManager");
    }
    if (command == L"create" && argc >= 4) {
        UniqueScHandle service(::CreateServiceW(manager.Get(), name, name, SERVICE_ALL_ACCESS,
                                                SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                                argv[3], nullptr, nullptr, nullptr, nullptr, nullptr));
        return service ? 0 : Fail("CreateService");
    }
    UniqueScHandle service(::OpenServiceW(manager.Get(), name, SERVICE_ALL_ACCESS));
    if (!service) {
        return Fail("OpenService");
    }
    SERVICE_STATUS status{};
    if (command == L"start") {
        // A service that fails at once may be gone before its process id can
        // be asked for; watch for the image by name while the start runs.
        const std::wstring image = argc >= 4 ? argv[3] : L"";
        std::atomic<HANDLE> found{nullptr};
        std::atomic<bool> starting{true};
        std::thread watcher([&] {
            while (starting && !image.empty() && found == nullptr) {
                found = FindProcess(image);
                ::Sleep(1);
            }
        });
        const BOOL started = ::StartServiceW(service.Get(), 0, nullptr);
        const DWORD startError = ::GetLastError();
        // Give the watcher a moment beyond the start to see the process.
        for (int i = 0; i < 200 && found == nullptr && !image.empty(); ++i) {
            ::Sleep(5);
        }
        starting = false;
        watcher.join();
        UniqueKernelHandle handle(found.load());
        if (!started) {
            ::SetLastError(startError);
            return Fail("StartService");
        }
        // Note every distinct status the service reports, as SEEN=state/exit,
        // and the process exit code if it ends meanwhile. A running service
        // ends the watch; one that fails to start is watched until it ends.
        std::string seen;
        DWORD last = 0xFFFFFFFF;
        DWORD lastExit = 0xFFFFFFFF;
        const DWORD start = ::GetTickCount();
        bool ended = false;
        while (::GetTickCount() - start < 15000 && !ended && last != SERVICE_RUNNING) {
            ended = handle && ::WaitForSingleObject(handle.Get(), 5) != WAIT_TIMEOUT;
            if (!handle) {
                ::Sleep(5);
            }
            if (::QueryServiceStatus(service.Get(), &status) &&
                (status.dwCurrentState != last || status.dwWin32ExitCode != lastExit)) {
                last = status.dwCurrentState;
                lastExit = status.dwWin32ExitCode;
                seen += (seen.empty() ? "" : ",") + std::to_string(last) + "/" + std::to_string(lastExit);
            }
        }
        std::printf("SEEN=%s\n", seen.c_str());
        DWORD code = 0;
        if (ended && ::GetExitCodeProcess(handle.Get(), &code)) {
            std::printf("PROCESSEXIT=%lu\n", code);
        }
        return 0;
    }
    if (command == L"stop") {
        const DWORD start = ::GetTickCount();
        const BOOL sent = ::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status);
        std::printf("RESULT=%d\n", sent ? 1 : 0);
        while (::QueryServiceStatus(service.Get(), &status) && status.dwCurrentState != SERVICE_STOPPED &&
               ::GetTickCount() - start < 60000) {
            ::Sleep(50);
        }
        std::printf("MS=%lu\n", ::GetTickCount() - start);
        Print(status);
        return 0;
    }
    if (command == L"control" && argc >= 4) {
        const BOOL sent = ::ControlService(service.Get(), std::wcstoul(argv[3], nullptr, 10), &status);
        std::printf("RESULT=%d\nERR=%lu\n", sent ? 1 : 0, sent ? 0 : ::GetLastError());
        Print(status);
        return 0;
    }
    if (command == L"query") {
        if (!::QueryServiceStatus(service.Get(), &status)) {
            return Fail("QueryServiceStatus");
        }
        Print(status);
        return 0;
    }
    if (command == L"delete") {
        return ::DeleteService(service.Get()) ? 0 : Fail("DeleteService");
    }
    return 2;
}
