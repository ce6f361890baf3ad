#include "service/TimeService.h"

#include "app/ModuleInstance.h"
#include "service/StringResource.h"
#include "timesync/Synchronization.h"

TimeService::TimeService(const wchar_t* arguments, const wchar_t* serverNames, DWORD interval)
    : ServiceBase(kServiceName, kDisplayName, LoadStringResource(g_moduleInstance, 111).c_str(), arguments),
      serverNames(serverNames != nullptr ? serverNames : L""),
      interval(interval)
{
}

TimeService::~TimeService() = default;

DWORD TimeService::Run()
{
    for (;;) {
        SynchronizeOnce(serverNames, &running);
        if (!WaitForInterval(stopEvent.Get(), interval)) {
            return 0;
        }
    }
}
