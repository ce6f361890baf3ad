#include "app/Roles.h"

#include "app/CommandLine.h"
#include "app/ModuleInstance.h"
#include "service/TimeService.h"

HINSTANCE g_moduleInstance = nullptr;

bool PrepareCommonControls()
{
    return true;
}

DWORD RunServiceRole()
{
    // The real settings are read by Initialize once the service starts.
    TimeService service(L"", L"", 0);
    service.RunDispatcher();
    return service.status.dwWin32ExitCode;
}

int RunUninstallRole()
{
    TimeService service(L"", L"", 0);
    service.TimeService::Uninstall();
    return 0;
}

int RunConfigurationRole()
{
    return 0;
}

int RunProgram()
{
    std::uint32_t count = 0;
    wchar_t** first = nullptr;
    // Without an argument count there is no role to choose.
    if (!SplitCommandLine(count, first)) {
        return 0;
    }
    if (!PrepareCommonControls()) {
        return 0;
    }
    switch (ChooseRole(count, first)) {
        case Role::Service:
            return static_cast<int>(RunServiceRole());
        case Role::Uninstall:
            return RunUninstallRole();
        case Role::Configuration:
            break;
    }
    return RunConfigurationRole();
}
