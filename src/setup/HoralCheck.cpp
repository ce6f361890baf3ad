// The custom action of the Windows Installer package: before anything is
// changed, it checks SERVERNAMES and TIMEINTERVAL, keeps the stored settings
// of an upgrade, and refuses with a message in the installer's log (a box
// when the installation shows one) and error 1603.
#include "platform/Handles.h"
#include "settings/Parameters.h"
#include "setup/PackageSettings.h"

#include <msi.h>
#include <msiquery.h>

namespace {

// A property's value; empty when it is not set.
std::wstring Property(MSIHANDLE install, const wchar_t* name)
{
    wchar_t none[1] = L"";
    DWORD length = 0;
    if (::MsiGetPropertyW(install, name, none, &length) != ERROR_MORE_DATA) {
        return std::wstring();
    }
    std::wstring value(++length, L'\0');
    if (::MsiGetPropertyW(install, name, &value[0], &length) != ERROR_SUCCESS) {
        return std::wstring();
    }
    value.resize(length);
    return value;
}

}  // namespace

extern "C" __declspec(dllexport) UINT WINAPI CheckSettings(MSIHANDLE install)
{
    // The Parameters of the installed version, when this is an upgrade: the
    // old version's removal deletes them before the new one writes its own.
    ServiceParameters stored;
    const bool upgrade = ReadServiceParameters(kServiceName, stored);
    const PackageSettings decided =
        DecidePackageSettings(Property(install, L"SERVERNAMES"), Property(install, L"TIMEINTERVAL"),
                              upgrade ? std::optional<ServiceParameters>(stored) : std::nullopt);
    if (!decided.refusal.empty()) {
        // The text goes in as a field, not as the template: a property's
        // brackets must not be formatted.
        const UniqueMsiHandle record(::MsiCreateRecord(1));
        ::MsiRecordSetStringW(record.Get(), 0, L"[1]");
        ::MsiRecordSetStringW(record.Get(), 1, decided.refusal.c_str());
        ::MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONWARNING), record.Get());
        return ERROR_INSTALL_FAILURE;
    }
    ::MsiSetPropertyW(install, L"SERVERNAMES", decided.serverNames.c_str());
    ::MsiSetPropertyW(install, L"TIMEINTERVAL", decided.interval.c_str());
    return ERROR_SUCCESS;
}
