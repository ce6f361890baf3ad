// The status report a synchronisation cycle leaves for administrators.
#pragma once

#include "settings/StatusReport.h"
#include "timesync/Synchronization.h"

#include <cstdint>
#include <string>

// "2026-12-07 20:21:31 UTC" for a time in milliseconds since 1970.
std::wstring FormatUtcTime(std::int64_t unixMs);

// A signed count of milliseconds: "+3600294 ms", "-12 ms".
std::wstring FormatCorrection(std::int64_t ms);

// The report of a cycle that came to `outcome` and ended at `endedMs`
// (milliseconds since 1970), with the next cycle due `delaySeconds` later.
StatusReport DescribeCycle(const CycleOutcome& outcome, std::int64_t endedMs, DWORD delaySeconds);
