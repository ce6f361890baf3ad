// A program that installs, runs and removes the service the way HoralSvc.exe
// does, so that the tests control where the installing executable lies. It
// carries the product's resources. Usage:
//   -s                      service role (what the service control manager starts)
//   install SERVERS SECONDS TimeService::Install; exit 0 on success, 1 on failure
//   uninstall-base          ServiceBase::Uninstall; exit 0 on success, 1 on failure
//   record                  writes the installation record only
//   modulepath FILE         writes GetModulePath(nullptr) to FILE as UTF-16
//   comctl6                 exit bits: 1 IsComCtl6OrLater, 2 ComCtl32 came from the
//                           side-by-side store (the manifest picked the version 6 assembly)
//   state                   exit bits: 1 service, 2 record, 4 event source, 8 Parameters key
//   purge                   removes every trace of an installation
#include "ServiceTestSupport.h"

#include "Handles.h"
#include "app/ModuleInstance.h"
#include "app/Probes.h"
#include "app/Roles.h"
#include "service/ServiceInstall.h"
#include "service/TimeService.h"
#include "settings/InstallRecord.h"

#include <cwchar>
#include <string>

namespace {

int WriteModulePath(const wchar_t* fileName)
{
    const std::wstring path = GetModulePath(nullptr);
    UniqueFile file(::CreateFileW(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(path.size() * sizeof(wchar_t));
    return file && ::WriteFile(file.Get(), path.data(), size, &written, nullptr) && written == size ? 0 : 1;
}

int ComCtlSeen()
{
    UniqueLibrary library(::LoadLibraryW(L"ComCtl32.dll"));
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(library.Get(), path, MAX_PATH);
    ::CharLowerW(path);
    return (IsComCtl6OrLater() ? 1 : 0) | (std::wcsstr(path, L"\\winsxs\\") != nullptr ? 2 : 0);
}

int State()
{
    int bits = 0;
    bits |= ServiceExists(kServiceName) ? 1 : 0;
    bits |= KeyExists(InstallRecordKeyPath(kServiceName)) ? 2 : 0;
    bits |= KeyExists(EventSourceKeyPath(kDisplayName)) ? 4 : 0;
    bits |= KeyExists(ServiceKeyPath(kServiceName) + L"\\Parameters") ? 8 : 0;
    return bits;
}

}  // namespace

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
    if (mode == L"uninstall-base") {
        TimeService service(L"", L"", 0);
        return service.ServiceBase::Uninstall() ? 0 : 1;
    }
    if (mode == L"record") {
        WriteInstallRecord(kDisplayName, kServiceName);
        return 0;
    }
    if (mode == L"modulepath" && argc == 3) {
        return WriteModulePath(argv[2]);
    }
    if (mode == L"comctl6") {
        return ComCtlSeen();
    }
    if (mode == L"state") {
        return State();
    }
    if (mode == L"purge") {
        PurgeHoralService();
        return 0;
    }
    return 2;
}
