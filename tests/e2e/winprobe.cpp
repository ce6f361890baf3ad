// Test tool for the journeys: looks into another process's dialogs and drives
// the service manager where Wine's sc cannot. Prints KEY=VALUE lines (UTF-8).
//   show TITLE          waits for a window of that title and its texts: FOUND,
//                       and per child ITEM<id>=<class>|<text>
//   volatile KEY        creates HKLM\KEY as a volatile key: CREATED=1
//   start NAME IMAGE    starts a service whose process ends at once;
//                       PROCESSEXIT: the exit code of that process
//   control NAME CODE [COUNT]
//                       sends a control code (COUNT times); RESULT, and STATE
//                       and ACCEPTED (the controls accepted) afterwards
#include "platform/Handles.h"
#include "text/TextConvert.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

namespace {

template <typename Condition>
bool WaitUntil(DWORD ms, DWORD step, Condition condition)
{
    for (const DWORD start = ::GetTickCount(); !condition(); ::Sleep(step)) {
        if (::GetTickCount() - start > ms) {
            return false;
        }
    }
    return true;
}

void Show(HWND window)
{
    // Its texts may still be on their way: wait for them.
    std::string lines;
    WaitUntil(5000, 50, [&] {
        bool anyText = false;
        lines.clear();
        for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            wchar_t name[64] = L"", text[1024] = L"";
            ::GetClassNameW(child, name, 64);
            // GetWindowText does not ask another process's controls.
            anyText |= ::SendMessageW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text)) > 0;
            lines +=
                "ITEM" + std::to_string(short(::GetDlgCtrlID(child))) + "=" + ToUtf8(name) + "|" + ToUtf8(text) + "\n";
        }
        return anyText;
    });
    std::printf("FOUND=1\n%s", lines.c_str());
}

// A process running the image, opened to wait for it; null when there is none.
HANDLE FindProcess(const wchar_t* image)
{
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, image) == 0) {
            return ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        }
    }
    return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc > 2 ? argv[1] : L"";
    if (command == L"show") {
        // A dialog is found while its controls are still being made; it is
        // shown once they all exist and WM_INITDIALOG has run.
        HWND window = nullptr;
        if (WaitUntil(20000, 50,
                      [&] { return (window = ::FindWindowW(nullptr, argv[2])) && ::IsWindowVisible(window); })) {
            Show(window);
        }
        return 0;
    }
    if (command == L"volatile") {
        UniqueHkey key;
        const LONG made = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, argv[2], 0, nullptr, REG_OPTION_VOLATILE,
                                            KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
        std::printf("CREATED=%d\n", made == ERROR_SUCCESS ? 1 : 0);
        return 0;
    }
    UniqueScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueScHandle service(::OpenServiceW(manager.Get(), argc > 3 ? argv[2] : L"", SERVICE_ALL_ACCESS));
    if (!service) {
        return 2;
    }
    SERVICE_STATUS status{};
    if (command == L"start") {
        // Watched from before the start: a process that fails at once may be
        // gone before StartService returns.
        UniqueKernelHandle process;
        std::thread watcher(
            [&] { WaitUntil(25000, 0, [&] { return process.Reset(FindProcess(argv[3])), process.IsValid(); }); });
        ::StartServiceW(service.Get(), 0, nullptr);
        watcher.join();
        DWORD code = 0;
        if (::WaitForSingleObject(process.Get(), 25000) == WAIT_OBJECT_0 &&
            ::GetExitCodeProcess(process.Get(), &code)) {
            std::printf("PROCESSEXIT=%lu\n", code);
        }
    } else if (command == L"control") {
        BOOL sent = TRUE;
        for (int i = argc > 4 ? _wtoi(argv[4]) : 1; i > 0; --i) {
            sent &= ::ControlService(service.Get(), std::wcstoul(argv[3], nullptr, 10), &status);
        }
        ::QueryServiceStatus(service.Get(), &status);
        std::printf("RESULT=%d\nSTATE=%lu\nACCEPTED=%lu\n", sent ? 1 : 0, status.dwCurrentState,
                    status.dwControlsAccepted);
    }
    return 0;
}
