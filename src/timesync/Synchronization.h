// One synchronisation cycle over the server list, and the wait between cycles.
#pragma once

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

// Asks the servers of the blank-separated list in order and sets the clock from
// the first answer. True when a server answered. When `running` is given and
// drops to 0, no further server is asked; a set `stopEvent` also cuts a name
// lookup short and stays set.
bool SynchronizeOnce(const std::wstring& serverList, const std::atomic<std::int32_t>* running = nullptr,
                     HANDLE stopEvent = nullptr);

// The next piece of a long wait: waits take at most 0xFFFFFFFE ms at a time
// (0xFFFFFFFF means INFINITE), so longer intervals are waited in pieces.
DWORD NextWaitChunk(std::uint64_t& remainingMs);

// The shortest wait between two cycles, whatever interval is stored.
constexpr DWORD kMinimumIntervalSeconds = 4;

// Waits `intervalSeconds`, but at least kMinimumIntervalSeconds, on the stop
// event. True when the whole wait passed; false when the event was set or the
// wait failed.
bool WaitForInterval(HANDLE stopEvent, DWORD intervalSeconds);
