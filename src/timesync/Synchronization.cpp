#include "timesync/Synchronization.h"

#include "platform/Handles.h"
#include "timesync/TimeQuery.h"

#include <algorithm>

ServerListTokenizer::ServerListTokenizer(const std::wstring& text, const std::wstring& separators)
    : text(text), separators(separators)
{
}

bool ServerListTokenizer::IsSeparator(wchar_t c) const
{
    return separators.find(c) != std::wstring::npos;
}

std::wstring ServerListTokenizer::NextToken()
{
    while (position < text.size() && IsSeparator(text[position])) {
        ++position;
    }
    const std::size_t start = position;
    while (position < text.size() && !IsSeparator(text[position])) {
        ++position;
    }
    return text.substr(start, position - start);
}

bool SynchronizeOnce(const std::wstring& serverList, const std::atomic<std::int32_t>* running, HANDLE stopEvent,
                     CycleOutcome* outcome)
{
    CycleOutcome ignored;
    CycleOutcome& result = outcome != nullptr ? *outcome : ignored;
    result = CycleOutcome{};
    // A stop request during the cycle must not wait for the rest of the list,
    // nor set the clock after it.
    const auto stopped = [running] { return running != nullptr && *running == 0; };
    WinsockScope winsock;
    if (!winsock.ready) {
        result.result = CycleOutcome::NetworkNotReady;
        return false;
    }
    ServerListTokenizer tokenizer(serverList, L" ");
    for (std::wstring host = tokenizer.NextToken(); !host.empty() && !stopped(); host = tokenizer.NextToken()) {
        AnswerTiming timing;
        const std::int64_t unixTime = QueryServerTime(host, &timing, stopEvent);
        if (unixTime != -1 && !stopped()) {
            const bool set = SetClockFromUnixTime(unixTime, timing, &result.setting);
            result.result = set ? CycleOutcome::ClockSet : CycleOutcome::ClockNotSet;
            result.server = host;
            return true;
        }
    }
    if (stopped()) {
        result.result = CycleOutcome::Stopped;
    }
    return false;
}

DWORD SecondsToNextCycle(std::uint32_t failedInRow, DWORD intervalSeconds)
{
    DWORD seconds = intervalSeconds;
    if (failedInRow > 0) {
        // Doubling beyond an hour changes nothing, so the shift stays small.
        const std::uint32_t doublings = failedInRow - 1 < 8 ? failedInRow - 1 : 8;
        seconds = std::min({kFirstRetrySeconds << doublings, intervalSeconds, kLongestRetrySeconds});
    }
    // A typing slip must not make the service ask a server back to back, as
    // fast as the network allows: public time services refuse clients that
    // ask more often than every 4 seconds.
    return seconds < kMinimumIntervalSeconds ? kMinimumIntervalSeconds : seconds;
}

DWORD NextWaitPiece(std::uint64_t elapsedMs, std::uint64_t intervalMs, DWORD longestPieceMs)
{
    if (elapsedMs >= intervalMs) {
        return 0;
    }
    const std::uint64_t left = intervalMs - elapsedMs;
    return left < longestPieceMs ? static_cast<DWORD>(left) : longestPieceMs;
}

bool WaitForInterval(HANDLE stopEvent, std::uint64_t intervalMs, SleepCountingClock clock, DWORD pieceMs)
{
    // Measured by a clock that counts time asleep, so that a machine that
    // slept through the interval does not wait it out again after waking.
    const std::uint64_t start = clock();
    for (DWORD piece; (piece = NextWaitPiece(clock() - start, intervalMs, pieceMs)) != 0;) {
        if (::WaitForSingleObject(stopEvent, piece) != WAIT_TIMEOUT) {
            return false;
        }
    }
    return true;
}
