// What a synchronisation cycle leaves for administrators: the status report
// under the service's key, and the events of the event log.
#pragma once

#include "platform/EventLog.h"
#include "settings/StatusReport.h"
#include "timesync/Synchronization.h"

#include <cstdint>
#include <string>

// "2026-12-07 20:21:31 UTC" for a time in milliseconds since 1970.
std::wstring FormatUtcTime(std::int64_t unixMs);

// A signed count of milliseconds: "+3600294 ms", "-12 ms".
std::wstring FormatCorrection(std::int64_t ms);

// How far a time set may be off: "±6 ms".
std::wstring FormatPrecision(std::int64_t ms);

// The report of a cycle that came to `outcome` and ended at `endedMs`
// (milliseconds since 1970), with the next cycle due `delaySeconds` later.
StatusReport DescribeCycle(const CycleOutcome& outcome, std::int64_t endedMs, DWORD delaySeconds);

// The event that tells what a cycle came to; `nextCycle` is when the next one
// is due, as the report gives it.
EventRecord DescribeCycleEvent(const CycleOutcome& outcome, const std::wstring& nextCycle);

// The event that tells the settings in use and the keys they came from.
EventRecord DescribeSettingsEvent(const ServiceSettings& settings, const std::wstring& serviceName);

// The cycles reported since the service started.
struct CycleEvents {
    bool started = false;                                        // a cycle has been reported
    CycleOutcome::Result last = CycleOutcome::NoServerAnswered;  // what the last cycle came to
    std::uint64_t reportedMs = 0;                                // when the last event was written
};

// A failure that persists is told again after this long.
constexpr std::uint64_t kRepeatFailureMs = 24ull * 60 * 60 * 1000;

struct CycleEventChoice {
    bool report = false;
    CycleEvents after;
};

// Whether a cycle that came to `outcome` at `nowMs` (a clock that does not
// jump with the system time) writes its event, after the cycles `before`: the
// first cycle after a start, a cycle whose outcome differs in kind from the
// last one's, and every clock setting do; a failure that persists does again
// once a day.
CycleEventChoice ChooseCycleEvent(const CycleEvents& before, CycleOutcome::Result outcome, std::uint64_t nowMs);
