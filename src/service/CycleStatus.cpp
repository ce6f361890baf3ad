#include "service/CycleStatus.h"

#include "platform/StringResource.h"
#include "res/MessageIds.h"
#include "text/TextConvert.h"

std::wstring FormatUtcTime(std::int64_t unixMs)
{
    SYSTEMTIME time;
    if (!UnixMillisecondsToSystemTime(unixMs, time)) {
        return std::wstring();
    }
    return FormatWide(L"%04d-%02d-%02d %02d:%02d:%02d UTC", time.wYear, time.wMonth, time.wDay, time.wHour,
                      time.wMinute, time.wSecond);
}

std::wstring FormatCorrection(std::int64_t ms)
{
    return (ms >= 0 ? L"+" : L"") + Int64ToText(ms) + L" ms";
}

std::wstring FormatPrecision(std::int64_t ms)
{
    return L"\u00B1" + Int64ToText(ms) + L" ms";
}

StatusReport DescribeCycle(const CycleOutcome& outcome, std::int64_t endedMs, DWORD delaySeconds)
{
    StatusReport report;
    report.lastCycle = FormatUtcTime(endedMs);
    report.nextCycle = FormatUtcTime(endedMs + std::int64_t{delaySeconds} * 1000);
    switch (outcome.result) {
        case CycleOutcome::ClockSet:
            report.lastResult = L"clock set";
            report.lastSet = report.lastCycle;
            break;
        case CycleOutcome::ClockNotSet:
            report.lastResult = L"clock not set: error " + Int64ToText(outcome.setting.error);
            break;
        case CycleOutcome::ClockAlreadyRight:
            report.lastResult = L"clock already right";
            break;
        case CycleOutcome::AnswerRefused:
            report.lastResult =
                L"answer refused: " + outcome.refusedServer + L" said " + FormatUtcTime(outcome.refusedTime * 1000);
            return report;
        case CycleOutcome::NetworkNotReady:
            report.lastResult = L"network not ready";
            return report;
        default:
            report.lastResult = L"no server answered";
            return report;
    }
    report.lastServer = outcome.server;
    report.lastCorrection = FormatCorrection(outcome.setting.correctionMs);
    report.lastPrecision = FormatPrecision(outcome.setting.precisionMs);
    return report;
}

EventRecord DescribeCycleEvent(const CycleOutcome& outcome, const std::wstring& nextCycle)
{
    switch (outcome.result) {
        case CycleOutcome::ClockSet:
            return {EVENTLOG_INFORMATION_TYPE,
                    kMessageClockSet,
                    {outcome.server, FormatCorrection(outcome.setting.correctionMs),
                     FormatPrecision(outcome.setting.precisionMs)}};
        case CycleOutcome::ClockAlreadyRight:
            return {EVENTLOG_INFORMATION_TYPE,
                    kMessageClockAgrees,
                    {outcome.server, FormatCorrection(outcome.setting.correctionMs),
                     FormatPrecision(outcome.setting.precisionMs)}};
        case CycleOutcome::ClockNotSet:
            return {EVENTLOG_ERROR_TYPE,
                    kMessageClockNotSet,
                    {outcome.server, SystemErrorText(outcome.setting.error), Int64ToText(outcome.setting.error)}};
        case CycleOutcome::AnswerRefused:
            return {EVENTLOG_WARNING_TYPE,
                    kMessageAnswerRefused,
                    {outcome.refusedServer, FormatUtcTime(outcome.refusedTime * 1000), nextCycle}};
        case CycleOutcome::NetworkNotReady:
            return {EVENTLOG_WARNING_TYPE, kMessageNetworkNotReady, {nextCycle}};
        default:
            return {EVENTLOG_WARNING_TYPE, kMessageNoAnswer, {nextCycle}};
    }
}

EventRecord DescribeSettingsEvent(const ServiceSettings& settings, const std::wstring& serviceName)
{
    return {EVENTLOG_INFORMATION_TYPE,
            kMessageSettings,
            {settings.serverNames, SettingSourceKey(settings.serversFrom, serviceName), Int64ToText(settings.interval),
             SettingSourceKey(settings.intervalFrom, serviceName)}};
}

CycleEventChoice ChooseCycleEvent(const CycleEvents& before, CycleOutcome::Result outcome, std::uint64_t nowMs)
{
    // A clock left alone is no failure: told when it comes, not repeated.
    const bool report = !before.started || outcome != before.last || outcome == CycleOutcome::ClockSet ||
                        (outcome != CycleOutcome::ClockAlreadyRight && nowMs - before.reportedMs >= kRepeatFailureMs);
    return {report, {true, outcome, report ? nowMs : before.reportedMs}};
}
