// One synchronisation cycle over the server list, and the wait between cycles.
#pragma once

#include "timesync/TimeQuery.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

// Splits text into tokens at runs of separator characters.
class ServerListTokenizer {
public:
    ServerListTokenizer(const std::wstring& text, const std::wstring& separators);
    // The next token, or empty text once the text is used up.
    std::wstring NextToken();

private:
    bool IsSeparator(wchar_t c) const;

    std::wstring text;
    std::wstring separators;
    std::size_t position = 0;
};

// What one cycle came to.
struct CycleOutcome {
    enum Result { ClockSet, ClockNotSet, NoServerAnswered, NetworkNotReady, Stopped };
    Result result = NoServerAnswered;
    std::wstring server;   // the one that answered, as listed; empty when none did
    ClockSetting setting;  // when a server answered
};

// Asks the servers of the blank-separated list in order and sets the clock from
// the first answer. True when a server answered. When `running` is given and
// drops to 0, no further server is asked and the clock is not set; a set
// `stopEvent` also ends every wait of the cycle at once and stays set.
// `outcome`, when given, receives what the cycle came to.
bool SynchronizeOnce(const std::wstring& serverList, const std::atomic<std::int32_t>* running = nullptr,
                     HANDLE stopEvent = nullptr, CycleOutcome* outcome = nullptr);

// The shortest wait between two cycles, whatever interval is stored; the
// first retry after a cycle in which no server answered, and the longest.
constexpr DWORD kMinimumIntervalSeconds = 4;
constexpr DWORD kFirstRetrySeconds = 30;
constexpr DWORD kLongestRetrySeconds = 3600;

// Seconds from the end of a cycle to the start of the next, after
// `failedInRow` cycles in a row in which no server answered (0: one answered).
// A failure is retried after 30 s, doubled with each further one, at most
// after the interval or an hour; otherwise the interval. Never below
// kMinimumIntervalSeconds.
DWORD SecondsToNextCycle(std::uint32_t failedInRow, DWORD intervalSeconds);

// A clock in milliseconds that keeps counting while the machine sleeps.
using SleepCountingClock = ULONGLONG(WINAPI*)();

// The longest piece of an interval wait: a wait's time-out does not count
// time asleep, so a machine that slept through its interval asks at most
// this long after it wakes.
constexpr DWORD kWaitPieceMs = 10 * 60 * 1000;

// The next piece of a wait of `intervalMs` of which `elapsedMs` have passed:
// what is left, at most `longestPieceMs`; 0 once the interval has passed.
DWORD NextWaitPiece(std::uint64_t elapsedMs, std::uint64_t intervalMs, DWORD longestPieceMs = kWaitPieceMs);

// Waits `intervalMs` by `clock` on the stop event, in pieces of at most
// `pieceMs`. True when the interval passed; false when the event was set or
// the wait failed.
bool WaitForInterval(HANDLE stopEvent, std::uint64_t intervalMs, SleepCountingClock clock = ::GetTickCount64,
                     DWORD pieceMs = kWaitPieceMs);
