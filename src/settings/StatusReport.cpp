#include "settings/StatusReport.h"

#include "platform/Handles.h"
#include "platform/Registry.h"
#include "settings/Parameters.h"
#include "text/TextConvert.h"

void WriteStatusReport(const std::wstring& serviceName, const StatusReport& report)
{
    UniqueHkey service;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ServiceKeyPath(serviceName).c_str(), 0, KEY_CREATE_SUB_KEY,
                        service.Put()) != ERROR_SUCCESS) {
        return;
    }
    UniqueHkey status;
    if (::RegCreateKeyExW(service.Get(), L"Status", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                          status.Put(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    WriteStringValue(status.Get(), L"LastCycle", report.lastCycle);
    WriteStringValue(status.Get(), L"LastResult", report.lastResult);
    WriteStringValue(status.Get(), L"LastServer", report.lastServer);
    WriteStringValue(status.Get(), L"LastCorrection", report.lastCorrection);
    WriteStringValue(status.Get(), L"LastPrecision", report.lastPrecision);
    if (!report.lastSet.empty()) {
        WriteStringValue(status.Get(), L"LastSet", report.lastSet);
    }
    WriteStringValue(status.Get(), L"NextCycle", report.nextCycle);
    // Which settings are in effect and where each came from, so that an
    // administrator can tell why a PC ignores its local value.
    WriteStringValue(status.Get(), L"ServerNames", report.settings.serverNames);
    WriteStringValue(status.Get(), L"ServerNamesSource", SettingSourceName(report.settings.serversFrom));
    WriteStringValue(status.Get(), L"TimeInterval", Int64ToText(report.settings.interval));
    WriteStringValue(status.Get(), L"TimeIntervalSource", SettingSourceName(report.settings.intervalFrom));
}
