// A program that installs and runs the service the way HoralSvc.exe does, so
// that the tests control where the installing executable lies. It carries the
// product's resources and manifest. Usage:
//   -s                      service role (what the service control manager starts)
//   install SERVERS SECONDS TimeService::Install; exit 0 on success, 1 on failure
//   comctl6                 exit 2 when ComCtl32 came from the side-by-side store
//                           (the manifest picked the version 6 assembly), else 0
#include "platform/Handles.h"
#include "platform/ModuleInstance.h"
#include "app/Roles.h"
#include "service/TimeService.h"

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    g_moduleInstance = ::GetModuleHandleW(nullptr);
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"-s") {
        return static_cast<int>(RunServiceRole());
    }
    if (mode == L"install" && argc == 4) {
        TimeService service(L"-s", argv[2], static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
        return service.TimeService::Install() ? 0 : 1;
    }
    if (mode == L"comctl6") {
        UniqueLibrary library(::LoadLibraryW(L"ComCtl32.dll"));
        wchar_t path[MAX_PATH] = {};
        ::GetModuleFileNameW(library.Get(), path, MAX_PATH);
        ::CharLowerW(path);
        return std::wcsstr(path, L"\\winsxs\\") != nullptr ? 2 : 0;
    }
    return 3;
}
