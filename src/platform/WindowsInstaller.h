// What Windows Installer knows of the program's package.
#pragma once

#include <string>

// The product code ("{...}") of the installed package whose upgrade code is
// `upgradeCode`; empty when none is installed or Windows Installer cannot be
// asked. msi.dll is loaded from the system folder for the question only.
std::wstring InstalledProduct(const wchar_t* upgradeCode);
