#include "service/TimeService.h"

#include "platform/ModuleInstance.h"
#include "platform/StringResource.h"
#include "res/ResourceIds.h"
#include "service/CycleStatus.h"
#include "settings/Parameters.h"
#include "settings/StatusReport.h"
#include "timesync/Synchronization.h"
#include "timesync/Waits.h"

static_assert(kShortestInterval == kMinimumIntervalSeconds, "the dialog accepts what the service keeps to");

TimeService::TimeService(const wchar_t* arguments, const wchar_t* serverNames, DWORD interval)
    : ServiceBase(kServiceName, kDisplayName, LoadStringResource(g_moduleInstance, IDS_SERVICE_DESCRIPTION).c_str(),
                  arguments),
      serverNames(serverNames != nullptr ? serverNames : L""),
      interval(interval),
      cycleRequest(::CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

TimeService::~TimeService() = default;

DWORD TimeService::Run()
{
    // Watched from before the first cycle, so that a change made while it
    // runs is seen after it.
    SettingsWatch watch(serviceName);
    watch.Arm();
    ReportEvent(DescribeSettingsEvent(InEffect(), serviceName));
    // Cycles in a row in which no server answered: an early cycle at boot
    // often finds the network not up yet, and must not wait a whole interval.
    std::uint32_t failedInRow = 0;
    CycleEvents reported;
    for (;;) {
        CycleOutcome outcome;
        failedInRow = SynchronizeOnce(serverNames, {&running, stopEvent.Get()}, &outcome) ? 0 : failedInRow + 1;
        const std::uint64_t ended = ::GetTickCount64();
        const DWORD delay = SecondsToNextCycle(failedInRow, interval);
        // What the cycle came to, for whoever asks whether the service works.
        // A cycle cut short by a stop has nothing to say.
        if (outcome.result != CycleOutcome::Stopped) {
            FILETIME now{};
            ::GetSystemTimeAsFileTime(&now);
            StatusReport report = DescribeCycle(outcome, FileTimeToUnixMilliseconds(now), delay);
            report.settings = InEffect();
            WriteStatusReport(serviceName, report);
            // The event log hears of changes and clock settings, not of every
            // cycle: a service asking every few seconds would flood it.
            const CycleEventChoice choice = ChooseCycleEvent(reported, outcome.result, ended);
            reported = choice.after;
            if (choice.report) {
                ReportEvent(DescribeCycleEvent(outcome, report.nextCycle));
            }
        }
        if (!AwaitNextCycle(watch, ended, delay)) {
            return 0;
        }
    }
}

bool TimeService::AwaitNextCycle(SettingsWatch& watch, std::uint64_t cycleEnded, DWORD delaySeconds)
{
    for (;;) {
        const Wake wake = WaitForNextCycle({stopEvent.Get(), cycleRequest.Get(), watch.Events()}, cycleEnded,
                                           delaySeconds, kMinimumIntervalSeconds);
        if (wake.stopped) {
            return false;
        }
        if (!wake.changed) {
            return true;
        }
        // Watched again before reading, so that a change made while reading is
        // seen too. Parameters that cannot be read now (the key deleted) stay
        // as they are; a notice that brings nothing new starts no cycle unless
        // one was asked for. Otherwise the wait goes on to when the cycle is due.
        watch.Arm();
        RereadServiceParameters(serviceName, local);
        const bool changed = TakeSettings(ReadPolicyValues());
        if (changed) {
            ReportEvent(DescribeSettingsEvent(InEffect(), serviceName));
        }
        if (changed || wake.requested) {
            return true;
        }
    }
}

bool TimeService::TakeSettings(const PolicyValues& policy)
{
    const ServiceSettings settings = ApplyPolicy(policy, local);
    if (settings == InEffect()) {
        return false;
    }
    serverNames = settings.serverNames;
    interval = settings.interval;
    serversFrom = settings.serversFrom;
    intervalFrom = settings.intervalFrom;
    return true;
}

bool TimeService::Initialize()
{
    // Without its Parameters key the service does not start, policy or not.
    if (!ReadServiceParameters(serviceName, local)) {
        return false;
    }
    TakeSettings(ReadPolicyValues());
    return true;
}

bool TimeService::OnUserControl(DWORD code)
{
    if (code != kCycleNowControl) {
        return false;
    }
    ::SetEvent(cycleRequest.Get());
    return true;
}
