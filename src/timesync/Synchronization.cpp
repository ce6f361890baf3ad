#include "timesync/Synchronization.h"

#include "platform/Handles.h"
#include "timesync/TimeQuery.h"
#include "timesync/Waits.h"

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

namespace {

bool IsStopped(const std::atomic<std::int32_t>* running)
{
    return running != nullptr && *running == 0;
}

TimeAnswer TimeAnswerOf(std::int64_t unixTime, const AnswerTiming& timing)
{
    // The later instant rounded up, so that the window keeps the truth.
    return {unixTime, timing.peer.startedUs, timing.receivedUs + 1};
}

// Waits until `startUs` (LocalMicroseconds), to the microsecond as far as
// the system lets it: asleep up to one timer tick before (Windows' waits end
// on its 15.6 ms ticks), then looking at the stop event without waiting. A
// query begun late splits the window off its middle, and each millisecond
// late costs one of the precision. False on a stop.
bool WaitUntil(std::int64_t startUs, HANDLE stopEvent)
{
    constexpr std::int64_t kTimerTickUs = 16000;
    for (std::int64_t left = startUs - LocalMicroseconds(); left > 0; left = startUs - LocalMicroseconds()) {
        if (!PauseUnlessStopped(stopEvent,
                                left > kTimerTickUs ? static_cast<DWORD>((left - kTimerTickUs) / 1000) : 0)) {
            return false;
        }
    }
    return true;
}

// One further query of the refinement, begun at `startUs`: false
// on a stop, and for an answer that is missing (-1) or refused.
bool AskAgain(const CycleControls& controls, std::int64_t startUs, AnswerTiming& timing, TimeAnswer& answer)
{
    if (!WaitUntil(startUs, controls.stopEvent)) {
        return false;
    }
    const std::int64_t unixTime = QueryPeerTime(timing, controls.stopEvent);
    if (unixTime < controls.earliest) {
        return false;
    }
    answer = TimeAnswerOf(unixTime, timing);
    return true;
}

}  // namespace

bool AskServer(const std::wstring& host, const CycleControls& controls, ServerAnswer& answer)
{
    answer = ServerAnswer{};
    AnswerTiming timing;
    answer.unixTime = QueryServerTime(host, &timing, controls.stopEvent);
    // No answer (-1) comes before any usable one.
    if (answer.unixTime < controls.earliest) {
        return false;
    }
    // Only the address that answered is asked again: a name's addresses may be
    // machines whose clocks differ.
    answer.refinement =
        RefineOffset(TimeAnswerOf(answer.unixTime, timing), controls.refinements,
                     [&](std::int64_t startUs, TimeAnswer& next) { return AskAgain(controls, startUs, timing, next); });
    return true;
}

bool SynchronizeOnce(const std::wstring& serverList, const CycleControls& controls, CycleOutcome* outcome)
{
    CycleOutcome ignored;
    CycleOutcome& result = outcome != nullptr ? *outcome : ignored;
    result = CycleOutcome{};
    // A stop request during the cycle must not wait for the rest of the list,
    // nor set the clock after it.
    const auto stopped = [&controls] { return IsStopped(controls.running); };
    WinsockScope winsock;
    if (!winsock.ready) {
        result.result = CycleOutcome::NetworkNotReady;
        return false;
    }
    ServerListTokenizer tokenizer(serverList, L" ");
    for (std::wstring host = tokenizer.NextToken(); !host.empty() && !stopped(); host = tokenizer.NextToken()) {
        ServerAnswer answer;
        const bool usable = AskServer(host, controls, answer);
        if (answer.unixTime == -1 || stopped()) {
            continue;
        }
        // A time before this program was built cannot be right: that server
        // counts as not answering, and the next one is asked.
        if (!usable) {
            if (result.refusedServer.empty()) {
                result.refusedServer = host;
                result.refusedTime = answer.unixTime;
            }
            continue;
        }
        const bool set = SetClockFromWindow(answer.refinement.window, &result.setting);
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
