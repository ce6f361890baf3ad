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
    ParametersWatch watch(serviceName);
    watch.Arm();
    // Cycles in a row in which no server answered: an early cycle at boot
    // often finds the network not up yet, and must not wait a whole interval.
    std::uint32_t failedInRow = 0;
    for (;;) {
        CycleOutcome outcome;
        failedInRow = SynchronizeOnce(serverNames, &running, stopEvent.Get(), &outcome) ? 0 : failedInRow + 1;
        const std::uint64_t ended = ::GetTickCount64();
        const DWORD delay = SecondsToNextCycle(failedInRow, interval);
        // What the cycle came to, for whoever asks whether the service works.
        // A cycle cut short by a stop has nothing to say.
        if (outcome.result != CycleOutcome::Stopped) {
            FILETIME now{};
            ::GetSystemTimeAsFileTime(&now);
            WriteStatusReport(serviceName, DescribeCycle(outcome, FileTimeToUnixMilliseconds(now), delay));
        }
        if (!AwaitNextCycle(watch, ended, delay)) {
            return 0;
        }
    }
}

bool TimeService::AwaitNextCycle(ParametersWatch& watch, std::uint64_t cycleEnded, DWORD delaySeconds)
{
    for (;;) {
        const Wake wake = WaitForNextCycle({stopEvent.Get(), cycleRequest.Get(), watch.Event()}, cycleEnded,
                                           delaySeconds, kMinimumIntervalSeconds);
        if (wake.stopped) {
            return false;
        }
        if (!wake.changed) {
            return true;
        }
        // Watched again before reading, so that a change made while reading is
        // seen too. Settings that cannot be read now (the key deleted) stay as
        // they are; a notice that brings nothing new starts no cycle unless one
        // was asked for. Otherwise the wait goes on to when the cycle is due.
        watch.Arm();
        ServiceParameters parameters{serverNames, interval};
        const bool changed = RereadServiceParameters(serviceName, parameters) &&
                             (parameters.serverNames != serverNames || parameters.interval != interval);
        serverNames = parameters.serverNames;
        interval = parameters.interval;
        if (changed || wake.requested) {
            return true;
        }
    }
}

bool TimeService::Initialize()
{
    ServiceParameters parameters;
    const bool read = ReadServiceParameters(serviceName, parameters);
    serverNames = parameters.serverNames;
    interval = parameters.interval;
    return read;
}

bool TimeService::OnUserControl(DWORD code)
{
    if (code != kCycleNowControl) {
        return false;
    }
    ::SetEvent(cycleRequest.Get());
    return true;
}
