// The dialog in which the user enters the time servers and the interval.
#pragma once

#include "res/ResourceIds.h"
#include "ui/DialogBase.h"

#include <cstdint>
#include <string>

constexpr WORD kConfigDialogId = IDD_CONFIGURATION;
constexpr int kServerNamesField = 1022;
constexpr int kIntervalField = 1023;

// The interval a field text stands for: the number the text reads as, cut to
// its low 32 bits ("-1" is 4294967295, "4294967297" is 1, "90 s" is 90).
std::uint32_t IntervalFromText(const std::wstring& text);

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
    INT_PTR OnOk();
    INT_PTR OnCancel();
};
