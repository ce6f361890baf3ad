#include "ui/ConfigDialog.h"

#include "platform/ModuleInstance.h"
#include "platform/StringResource.h"
#include "settings/Parameters.h"

namespace {

// The dialog's commands and their handlers, by the command's id. The
// notification code in the high word of wParam is not looked at.
struct CommandRoute {
    WORD id;
    INT_PTR (ConfigDialog::*handler)();
};

}  // namespace

ConfigDialog::ConfigDialog() : ModalDialog(nullptr), interval(kDefaultInterval) {}

ConfigDialog::~ConfigDialog() = default;

INT_PTR ConfigDialog::DialogProc(HWND, UINT message, WPARAM wParam, LPARAM)
{
    static const CommandRoute kCommands[] = {
        {IDOK, &ConfigDialog::OnOk},
        {IDCANCEL, &ConfigDialog::OnCancel},
    };
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            for (const CommandRoute& route : kCommands) {
                if (route.id == LOWORD(wParam)) {
                    return (this->*route.handler)();
                }
            }
            return 0;
        default:
            return 0;
    }
}

INT_PTR ConfigDialog::OnInitDialog()
{
    SetItemText(kServerNamesField, serverNames);
    SetItemInt(kIntervalField, static_cast<std::int64_t>(interval));
    ::SetFocus(::GetDlgItem(hwnd, kServerNamesField));
    // 0: the focus is set here, the dialog manager must not move it.
    return 0;
}

INT_PTR ConfigDialog::OnOk()
{
    // A list without a server, or an interval the service cannot keep to,
    // would install a service that never works as meant.
    const std::wstring servers = GetItemText(kServerNamesField);
    if (!NamesAServer(servers)) {
        return Refuse(kServerNamesField, IDS_NO_SERVER);
    }
    std::uint32_t seconds = 0;
    if (!IntervalFromText(GetItemText(kIntervalField), seconds)) {
        return Refuse(kIntervalField, IDS_BAD_INTERVAL);
    }
    // Taken exactly as typed; the service splits the list when it runs.
    serverNames = servers;
    interval = seconds;
    Close(1);
    return 1;
}

INT_PTR ConfigDialog::Refuse(int field, UINT messageId)
{
    ::MessageBoxW(hwnd, LoadStringResource(g_moduleInstance, messageId).c_str(), kDisplayName, MB_OK | MB_ICONWARNING);
    // WM_NEXTDLGCTL moves the focus as the dialog manager does, which selects
    // an edit control's whole text.
    const HWND control = ::GetDlgItem(hwnd, field);
    ::SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    ::SendMessageW(control, EM_SETSEL, 0, -1);
    return 1;
}

INT_PTR ConfigDialog::OnCancel()
{
    Close(0);
    return 1;
}
