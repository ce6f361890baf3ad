// The dialog in which the user enters the time servers and the interval.
#pragma once

#include "res/ResourceIds.h"
#include "ui/DialogBase.h"

#include <cstdint>
#include <string>

constexpr WORD kConfigDialogId = IDD_CONFIGURATION;
constexpr int kServerNamesField = 1022;
constexpr int kIntervalField = 1023;

class ConfigDialog : public ModalDialog {
public:
    // Always opens with an empty list and one day, never with stored values.
    ConfigDialog();
    ~ConfigDialog() override;

    INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    std::wstring serverNames;
    std::uint32_t interval;

private:
    INT_PTR OnInitDialog();
    // Takes both fields when they are right; else keeps the dialog open and
    // says why.
    INT_PTR OnOk();
    INT_PTR OnCancel();
    // Tells the user why `field` is refused and selects its text, so that
    // typing replaces it.
    INT_PTR Refuse(int field, UINT messageId);
};
