// Pure helpers of service installation and removal.
#pragma once

#include <string>

// The image path registered with the service control manager: the quoted
// executable path, then a blank and the arguments when there are any.
std::wstring BuildImagePath(const std::wstring& executablePath, const std::wstring& arguments);

// The uninstall question: `format` with its "%s" replaced by the display name
// and "%%" by "%", as the C runtime would print it.
std::wstring BuildUninstallQuestion(const std::wstring& format, const std::wstring& displayName);

// "SYSTEM\CurrentControlSet\Services\EventLog\Application\" + sourceName.
std::wstring EventSourceKeyPath(const std::wstring& sourceName);
