#include "ProcessSupport.h"

#include "platform/Handles.h"

std::wstring HostPathToWindows(const char* hostPath)
{
    std::wstring path = L"Z:";
    for (const char* c = hostPath; *c != '\0'; ++c) {
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return path;
}

std::wstring CommandLine(const std::wstring& program, const std::wstring& arguments)
{
    return L"\"" + program + L"\" " + arguments;
}

int RunAndWait(const std::wstring& commandLine, DWORD timeoutMilliseconds)
{
    std::wstring writable = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, &writable[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return -1;
    }
    UniqueKernelHandle processHandle(process.hProcess);
    UniqueKernelHandle threadHandle(process.hThread);
    if (::WaitForSingleObject(processHandle.Get(), timeoutMilliseconds) != WAIT_OBJECT_0) {
        ::TerminateProcess(processHandle.Get(), 99);
        return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(processHandle.Get(), &code);
    return static_cast<int>(code);
}
