#include "ui/ConfigDialog.h"

#include "settings/Parameters.h"
#include "text/TextConvert.h"

namespace {

// The dialog's commands and their handlers, by the command's id. The
// notification code in the high word of wParam is not looked at.
struct CommandRoute {
    WORD id;
    INT_PTR (ConfigDialog::*handler)();
};

}  // namespace

std::uint32_t IntervalFromText(const std::wstring& text)
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(TextToInt64(text)));
}

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
    // Taken exactly as typed; the service splits the list when it runs.
    serverNames = GetItemText(kServerNamesField);
    interval = IntervalFromText(GetItemText(kIntervalField));
    Close(1);
    return 1;
}

INT_PTR ConfigDialog::OnCancel()
{
    Close(0);
    return 1;
}
