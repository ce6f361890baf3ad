// What the window tests share: the ids in UiTest.rc, a desktop of their own
// and a framework dialog that records what reaches its handler.
#pragma once
// Win32 structures are filled in part here; the rest stays zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include "ui/DialogBase.h"
#include "ui/Hyperlink.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

constexpr WORD kMembersDialog = 200, kFixedDialog = 201;
constexpr int kLeftList = 301, kRightList = 302, kLink = 303;

// Before any window: a desktop of its own, whose desktop process starts from
// this program with its display whatever state the prefix's default desktop
// is in, and the link control (ComCtl32 5.81 registers the others on loading).
inline const bool uiReady =
    ::SetThreadDesktop(::CreateDesktopW(L"HoralUiTests", nullptr, nullptr, 0, GENERIC_ALL, nullptr)) &&
    RegisterHyperlinkClass();

class TestDialog : public ModalDialog {
public:
    // `closeAt`: the value the dialog ends with at WM_INITDIALOG; 0 keeps it open.
    explicit TestDialog(LayoutRule* table, INT_PTR closeAt = 0) : ModalDialog(table), closeAtInit(closeAt) {}

    // Modeless: the tests drive the dialog by sending it messages.
    HWND Open(WORD templateId)
    {
        DialogStartRecord start{0, this};
        return ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr,
                                    StaticDialogProc, reinterpret_cast<LPARAM>(&start));
    }

    std::wstring FormatCustomCell(HWND, std::int32_t id, const XmlNode& field, const std::wstring& type) override
    {
        return type + L":" + std::to_wstring(id) + L":" + std::wstring(field.GetInt(), L'*');
    }

    INT_PTR DialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) override
    {
        ++messages[message];
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (message == WM_NOTIFY && ++notifications[header->code] && header->code == UINT(NM_CLICK)) {
            link = *reinterpret_cast<const NMLINK*>(lParam);
        }
        initSeen |= message == WM_INITDIALOG && hwnd == window && ::GetPropW(window, L"VM_CDialog") == this && !lParam;
        return message == WM_INITDIALOG && (closeAtInit == 0 || Close(closeAtInit));
    }

    const INT_PTR closeAtInit;
    bool initSeen = false;              // bound, with lParam 0, at WM_INITDIALOG
    std::map<UINT, int> messages;       // how often each message arrived
    std::map<UINT, int> notifications;  // how often each WM_NOTIFY code arrived
    NMLINK link{};                      // the last NM_CLICK
};
