#include "timesync/Synchronization.h"

#include "platform/Handles.h"
#include "timesync/TimeQuery.h"

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

bool SynchronizeOnce(const std::wstring& serverList, const std::atomic<std::int32_t>* running, HANDLE stopEvent)
{
    WinsockScope winsock;
    if (!winsock.ready) {
        return false;
    }
    ServerListTokenizer tokenizer(serverList, L" ");
    for (std::wstring host = tokenizer.NextToken(); !host.empty(); host = tokenizer.NextToken()) {
        // A stop request during the cycle must not wait for the rest of the list.
        if (running != nullptr && *running == 0) {
            return false;
        }
        AnswerTiming timing;
        const std::int64_t unixTime = QueryServerTime(host, &timing, stopEvent);
        if (unixTime != -1) {
            SetClockFromUnixTime(unixTime, timing);
            return true;
        }
    }
    return false;
}

DWORD NextWaitChunk(std::uint64_t& remainingMs)
{
    constexpr std::uint64_t kLongest = 0xFFFFFFFEu;
    const std::uint64_t chunk = remainingMs < kLongest ? remainingMs : kLongest;
    remainingMs -= chunk;
    return static_cast<DWORD>(chunk);
}

bool WaitForInterval(HANDLE stopEvent, DWORD intervalSeconds)
{
    // A typing slip must not make the service ask a server back to back, as
    // fast as the network allows: public time services refuse clients that
    // ask more often than every 4 seconds. Formed in 64 bits: intervals above
    // 4294967 s must not wrap to a short wait.
    const DWORD seconds = intervalSeconds < kMinimumIntervalSeconds ? kMinimumIntervalSeconds : intervalSeconds;
    std::uint64_t remainingMs = static_cast<std::uint64_t>(seconds) * 1000;
    do {
        if (::WaitForSingleObject(stopEvent, NextWaitChunk(remainingMs)) != WAIT_TIMEOUT) {
            return false;
        }
    } while (remainingMs != 0);
    return true;
}
