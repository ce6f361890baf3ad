// The waits of the service's worker thread. Every one of them also watches the
// stop event, so that a stop ends the service at once whatever it waits for.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

enum class Waited { Ready, TimedOut, Stopped };

// Waits up to `timeoutMs` for `object` (a socket's event, a thread), or until
// `stopEvent` (when given) is set; a stop taken from the auto-reset event is
// put back for whoever waits on it next. A failed wait counts as TimedOut.
Waited WaitOrStop(HANDLE object, HANDLE stopEvent, DWORD timeoutMs);

// Sleeps `ms`, or until `stopEvent` (when given) is set: false then, the
// event put back for whoever waits on it next.
bool PauseUnlessStopped(HANDLE stopEvent, DWORD ms);

// The milliseconds left until `deadline` at `now` (of the same clock); 0 once it has passed.
DWORD MillisecondsUntil(std::uint64_t deadline, std::uint64_t now);

// The system clock now, in microseconds since 1970, as finely as the system
// reads it.
std::int64_t SystemTimeMicroseconds();

// The clock by which a cycle times its queries and sets the time, in
// microseconds since 1970: the system clock itself where Windows reads it to
// the microsecond (8 and later), so that what is measured is how far that
// clock is off, however it runs; before, the performance counter, set against
// the system clock once, since the system clock moves in 15.6 ms steps there.
std::int64_t LocalMicroseconds();

// A clock in milliseconds that keeps counting while the machine sleeps.
using SleepCountingClock = ULONGLONG(WINAPI*)();

// The longest piece of a wait between cycles: a wait's time-out does not
// count time asleep, so a machine that slept through its interval asks at
// most this long after it wakes.
constexpr DWORD kWaitPieceMs = 10 * 60 * 1000;

// The next piece of a wait of `intervalMs` of which `elapsedMs` have passed:
// what is left, at most `longestPieceMs`; 0 once the interval has passed.
DWORD NextWaitPiece(std::uint64_t elapsedMs, std::uint64_t intervalMs, DWORD longestPieceMs = kWaitPieceMs);

// What may end the wait between two cycles: the stop event, and optional
// auto-reset events: a request for a cycle now, and those that tell of a
// change of the settings.
struct CycleWakers {
    HANDLE stop = nullptr;
    HANDLE request = nullptr;
    std::array<HANDLE, 3> changes{};
};

// Why the wait between two cycles ended: the cycle is due (none set), a stop,
// or a request and a change, either or both.
struct Wake {
    bool stopped = false;
    bool requested = false;
    bool changed = false;
};

// Waits until `intervalSeconds` have passed since `since` by `clock`, in
// pieces of at most `pieceMs`. A request or a change ends the wait early, but
// never before `floorSeconds` since `since`; those that come meanwhile count
// once. A stop, or a wait that fails, ends it at once.
Wake WaitForNextCycle(const CycleWakers& wakers, std::uint64_t since, DWORD intervalSeconds, DWORD floorSeconds,
                      SleepCountingClock clock = ::GetTickCount64, DWORD pieceMs = kWaitPieceMs);
