#include "service/CycleStatus.h"

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
    return report;
}
