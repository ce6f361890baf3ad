#include "timesync/Waits.h"

#include "platform/ProcAddress.h"
#include "timesync/OffsetWindow.h"

#include <algorithm>

Waited WaitOrStop(HANDLE object, HANDLE stopEvent, DWORD timeoutMs)
{
    const HANDLE waits[] = {object, stopEvent};
    switch (::WaitForMultipleObjects(stopEvent != nullptr ? 2 : 1, waits, FALSE, timeoutMs)) {
        case WAIT_OBJECT_0:
            return Waited::Ready;
        case WAIT_OBJECT_0 + 1:
            // Taken from the auto-reset event: put back for the wait between cycles.
            ::SetEvent(stopEvent);
            return Waited::Stopped;
        default:
            return Waited::TimedOut;
    }
}

bool PauseUnlessStopped(HANDLE stopEvent, DWORD ms)
{
    if (stopEvent == nullptr) {
        ::Sleep(ms);
        return true;
    }
    if (::WaitForSingleObject(stopEvent, ms) != WAIT_OBJECT_0) {
        return true;
    }
    ::SetEvent(stopEvent);
    return false;
}

DWORD MillisecondsUntil(std::uint64_t deadline, std::uint64_t now)
{
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

namespace {

using PreciseTimeFunction = void(WINAPI*)(FILETIME*);

PreciseTimeFunction PreciseSystemTime()
{
    static const auto precise =
        ProcAddress<PreciseTimeFunction>(::GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime");
    return precise;
}

std::int64_t PerformanceMicroseconds()
{
    static const std::int64_t frequency = [] {
        LARGE_INTEGER rate{};
        ::QueryPerformanceFrequency(&rate);
        return rate.QuadPart;
    }();
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return TicksToMicroseconds(now.QuadPart, frequency);
}

}  // namespace

std::int64_t SystemTimeMicroseconds()
{
    FILETIME now{};
    if (const PreciseTimeFunction precise = PreciseSystemTime()) {
        precise(&now);
    } else {
        ::GetSystemTimeAsFileTime(&now);
    }
    const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10) - 11644473600000000LL;
}

std::int64_t LocalMicroseconds()
{
    if (PreciseSystemTime() != nullptr) {
        return SystemTimeMicroseconds();
    }
    static const std::int64_t sinceEpoch = SystemTimeMicroseconds() - PerformanceMicroseconds();
    return sinceEpoch + PerformanceMicroseconds();
}

DWORD NextWaitPiece(std::uint64_t elapsedMs, std::uint64_t intervalMs, DWORD longestPieceMs)
{
    if (elapsedMs >= intervalMs) {
        return 0;
    }
    const std::uint64_t left = intervalMs - elapsedMs;
    return left < longestPieceMs ? static_cast<DWORD>(left) : longestPieceMs;
}

Wake WaitForNextCycle(const CycleWakers& wakers, std::uint64_t since, DWORD intervalSeconds, DWORD floorSeconds,
                      SleepCountingClock clock, DWORD pieceMs)
{
    // In 64 bits: intervals beyond 49.7 days would wrap in 32.
    const std::uint64_t intervalMs = std::uint64_t{intervalSeconds} * 1000;
    const std::uint64_t floorMs = std::uint64_t{std::min(floorSeconds, intervalSeconds)} * 1000;
    // The stop comes first, so that it wins over whatever else is set.
    HANDLE handles[5] = {wakers.stop};
    bool Wake::*marks[5] = {&Wake::stopped};
    DWORD count = 1;
    const auto add = [&](HANDLE handle, bool Wake::*mark) {
        if (handle != nullptr) {
            handles[count] = handle;
            marks[count++] = mark;
        }
    };
    add(wakers.request, &Wake::requested);
    for (HANDLE change : wakers.changes) {
        add(change, &Wake::changed);
    }
    // Measured by a clock that counts time asleep, so that a machine that
    // slept through the interval does not wait it out again after waking.
    Wake wake;
    for (;;) {
        // A request or change waits out the shortest distance between cycles.
        const bool early = wake.requested || wake.changed;
        const DWORD piece = NextWaitPiece(clock() - since, early ? floorMs : intervalMs, pieceMs);
        if (piece == 0) {
            return wake;
        }
        const DWORD result = ::WaitForMultipleObjects(count, handles, FALSE, piece);
        if (result == WAIT_TIMEOUT) {
            continue;
        }
        if (result >= WAIT_OBJECT_0 + count) {
            return Wake{true, false, false};  // a wait that fails ends like a stop
        }
        wake.*marks[result - WAIT_OBJECT_0] = true;
        if (wake.stopped) {
            return wake;
        }
    }
}
