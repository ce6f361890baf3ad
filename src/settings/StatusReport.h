// What the service tells administrators and monitoring tools about its
// cycles: text values under the "Status" subkey of its own service key.
#pragma once

#include "settings/Parameters.h"

#include <string>

// One cycle's report; every value is written as REG_SZ text.
struct StatusReport {
    std::wstring lastCycle;       // when the cycle ended, "YYYY-MM-DD hh:mm:ss UTC"
    std::wstring lastResult;      // "clock set", "no server answered", ...
    std::wstring lastServer;      // the server that answered, as listed; empty when none did
    std::wstring lastCorrection;  // "+3600294 ms"; empty when no server answered
    std::wstring lastPrecision;   // "±6 ms", how far the time set may be off; empty when no server answered
    std::wstring lastSet;         // when the clock was set; empty leaves the stored value as it is
    std::wstring nextCycle;       // when the next cycle is due
    ServiceSettings settings;     // the settings the cycle ran with, and where each came from
};

// Writes the report to ...\Services\<serviceName>\Status, creating that key
// below the service's key but never the service's key itself, so a report
// cannot bring back a service that is being deleted. Failures are ignored.
void WriteStatusReport(const std::wstring& serviceName, const StatusReport& report);
