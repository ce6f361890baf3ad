#include "service/TimeService.h"

#include "platform/ModuleInstance.h"
#include "platform/StringResource.h"
#include "res/ResourceIds.h"
#include "settings/Parameters.h"
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
    for (;;) {
        SynchronizeOnce(serverNames, &running, stopEvent.Get());
        if (!WaitForInterval(stopEvent.Get(), interval)) {
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
