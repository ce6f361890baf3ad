#include "setup/PackageSettings.h"

#include "text/TextConvert.h"

#include <cstdint>

PackageSettings DecidePackageSettings(const std::wstring& servers, const std::wstring& interval,
                                      const std::optional<ServiceParameters>& stored)
{
    PackageSettings decided;
    std::uint32_t seconds = stored ? stored->interval : kDefaultInterval;
    if (servers.empty() && !stored) {
        decided.refusal =
            L"Velmora Horal Service: SERVERNAMES is missing. Give the time servers, separated by blanks "
            L"(SERVERNAMES=\"time1.example.org time2.example.org\"). Nothing was installed.";
    } else if (!servers.empty() && !NamesAServer(servers)) {
        decided.refusal =
            L"Velmora Horal Service: SERVERNAMES names no time server. Give the time servers, separated "
            L"by blanks. Nothing was installed.";
    } else if (!interval.empty() && !IntervalFromText(interval, seconds)) {
        decided.refusal = L"Velmora Horal Service: TIMEINTERVAL=\"" + interval +
                          L"\" is not a whole number of seconds from 4 to 4294967295. Nothing was installed.";
    } else {
        decided.serverNames = servers.empty() ? stored->serverNames : servers;
        decided.interval = Int64ToText(seconds);
    }
    return decided;
}
