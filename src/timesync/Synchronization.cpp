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

const std::int64_t kReleaseUnixTime = HORAL_RELEASE_TIME;

bool SynchronizeOnce(const std::wstring& serverList, const std::atomic<std::int32_t>* running, HANDLE stopEvent,
                     CycleOutcome* outcome, std::int64_t earliest)
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
        if (unixTime == -1 || stopped()) {
            continue;
        }
        // A time before this program was built cannot be right: that server
        // counts as not answering, and the next one is asked.
        if (unixTime < earliest) {
            if (result.refusedServer.empty()) {
                result.refusedServer = host;
                result.refusedTime = unixTime;
            }
            continue;
        }
        const bool set = SetClockFromUnixTime(unixTime, timing, &result.setting);
        result.result = set                           ? CycleOutcome::ClockSet
                        : result.setting.alreadyRight ? CycleOutcome::ClockAlreadyRight
                                                      : CycleOutcome::ClockNotSet;
        result.server = host;
        return true;
    }
    result.result = stopped()                       ? CycleOutcome::Stopped
                    : !result.refusedServer.empty() ? CycleOutcome::AnswerRefused
                                                    : CycleOutcome::NoServerAnswered;
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
