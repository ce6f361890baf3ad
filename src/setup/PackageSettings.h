// The settings the Windows Installer package installs, decided from its
// properties SERVERNAMES and TIMEINTERVAL by the dialog's rules before
// anything is changed.
#pragma once

#include "settings/Parameters.h"

#include <optional>
#include <string>

struct PackageSettings {
    std::wstring refusal;      // why the installation cannot go on; empty when it can
    std::wstring serverNames;  // the list to write
    std::wstring interval;     // the interval to write, in digits
};

// An empty property counts as not given (Windows Installer knows no other
// way). A setting not given keeps what is `stored` under Parameters (an
// upgrade); without a stored one the list is required and the interval is one
// day. A given one must pass the dialog's rules.
PackageSettings DecidePackageSettings(const std::wstring& servers, const std::wstring& interval,
                                      const std::optional<ServiceParameters>& stored);
