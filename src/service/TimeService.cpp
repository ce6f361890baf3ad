#include "service/TimeService.h"

#include "platform/ModuleInstance.h"
#include "platform/StringResource.h"
#include "res/ResourceIds.h"
#include "service/CycleStatus.h"
#include "settings/Parameters.h"
#include "settings/StatusReport.h"
#include "timesync/Synchronization.h"

TimeService::TimeService(const wchar_t* arguments, const wchar_t* serverNames, DWORD interval)
    : ServiceBase(kServiceName, kDisplayName, LoadStringResource(g_moduleInstance, IDS_SERVICE_DESCRIPTION).c_str(),
                  arguments),
      serverNames(serverNames != nullptr ? serverNames : L""),
      interval(interval)
{
}

TimeService::~TimeService() = default;

DWORD TimeService::Run()
{
    // Cycles in a row in which no server answered: an early cycle at boot
    // often finds the network not up yet, and must not wait a whole interval.
    std::uint32_t failedInRow = 0;
    for (;;) {
        CycleOutcome outcome;
        failedInRow = SynchronizeOnce(serverNames, &running, stopEvent.Get(), &outcome) ? 0 : failedInRow + 1;
        const DWORD delay = SecondsToNextCycle(failedInRow, interval);
        // What the cycle came to, for whoever asks whether the service works.
        // A cycle cut short by a stop has nothing to say.
        if (outcome.result != CycleOutcome::Stopped) {
            FILETIME now{};
            ::GetSystemTimeAsFileTime(&now);
            WriteStatusReport(serviceName, DescribeCycle(outcome, FileTimeToUnixMilliseconds(now), delay));
        }
        if (!WaitForInterval(stopEvent.Get(), std::uint64_t{delay} * 1000)) {
            return 0;
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
