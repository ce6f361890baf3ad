#include "app/Roles.h"

#include "app/CommandLine.h"
#include "platform/ModuleInstance.h"
#include "platform/Probes.h"
#include "platform/StringResource.h"
#include "platform/WindowsInstaller.h"
#include "res/ResourceIds.h"
#include "service/TimeService.h"
#include "text/TextConvert.h"
#include "ui/ConfigDialog.h"
#include "ui/Hyperlink.h"

#include <commctrl.h>

DWORD CommonControlClasses(bool comCtl6OrLater)
{
    constexpr DWORD kBaseClasses = ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_COOL_CLASSES;
    return comCtl6OrLater ? kBaseClasses | ICC_LINK_CLASS : kBaseClasses;
}

bool PrepareCommonControls()
{
    const bool comCtl6OrLater = IsComCtl6OrLater();
    if (!comCtl6OrLater) {
        // Dialogs with a link control find a "SysLink" class all the same.
        RegisterHyperlinkClass();
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), CommonControlClasses(comCtl6OrLater)};
    return ::InitCommonControlsEx(&controls) != FALSE;
}

DWORD RunServiceRole()
{
    // The real settings are read by Initialize once the service starts.
    TimeService service(L"", L"", 0);
    service.RunDispatcher();
    return service.status.dwWin32ExitCode;
}

namespace {

// Tells the user in a warning box the text of string `id`, a failure format
// filled with `error`.
void ShowFailure(UINT id, DWORD error)
{
    const std::wstring text = FormatFailure(LoadStringResource(g_moduleInstance, id), error);
    ::MessageBoxW(nullptr, text.c_str(), kDisplayName, MB_OK | MB_ICONWARNING);
}

}  // namespace

int RunUninstallRole()
{
    // A service that Windows Installer's package installed is the package's
    // to remove: deleted here, it would leave the package's entry behind with
    // nothing under it, and this file, in use, cannot remove itself cleanly.
    // Nothing is asked or changed; the user is told how to remove it.
    const std::wstring product = InstalledProduct(HORAL_UPGRADE_CODE);
    if (!product.empty()) {
        const std::wstring text = FillInserts(LoadStringResource(g_moduleInstance, IDS_PACKAGE_INSTALLED), {product});
        ::MessageBoxW(nullptr, text.c_str(), kDisplayName, MB_OK | MB_ICONWARNING);
        return 0;
    }
    TimeService service(L"", L"", 0);
    if (!service.TimeService::Uninstall()) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_CANCELLED) {
            ShowFailure(IDS_UNINSTALL_FAILED, error);
        }
    }
    return 0;
}

int RunConfigurationRole()
{
    ConfigDialog dialog;
    const INT_PTR result = dialog.DoModal(g_moduleInstance, kConfigDialogId, nullptr);
    // -1: the dialog could not be shown, so nothing was confirmed.
    if (result != 0 && result != -1) {
        TimeService service(L"-s", dialog.serverNames.c_str(), dialog.interval);
        // Installing over an installed service changes nothing by design; the
        // user is told so, and how to change its settings.
        if (!service.TimeService::Install()) {
            const DWORD error = ::GetLastError();
            ShowFailure(error == ERROR_SERVICE_EXISTS ? IDS_ALREADY_INSTALLED : IDS_INSTALL_FAILED, error);
        }
    }
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
