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
    enum Result { ClockSet, ClockNotSet, ClockAlreadyRight, NoServerAnswered, AnswerRefused, NetworkNotReady, Stopped };
    Result result = NoServerAnswered;
    std::wstring server;   // the one that answered, as listed; empty when none did
    ClockSetting setting;  // when a server answered
    // The first answer refused for being older than the program, and its server.
    std::wstring refusedServer;
    std::int64_t refusedTime = 0;
};

// The commit time of this build, in seconds since 1970. No answer before it
// can be right: a server that says so has lost its clock (a router after a
// power cut answering 1970 or 2000), and setting every PC that asks it to
// that year would break certificates and log-ons across the network.
extern const std::int64_t kReleaseUnixTime;

// What a cycle may be told: when given, `running` dropping to 0 asks no
// further server and sets no clock, and a set `stopEvent` ends every wait of
// the cycle at once and stays set. Answers before `earliest` are refused; an
// answer is narrowed by at most `refinements` further queries.
struct CycleControls {
    const std::atomic<std::int32_t>* running = nullptr;
    HANDLE stopEvent = nullptr;
    std::int64_t earliest = kReleaseUnixTime;
    int refinements = kMaxRefinements;
};

// One server's answer: its whole seconds (-1: none), and, when they are not
// before `earliest`, the window its further answers narrowed them to.
struct ServerAnswer {
    std::int64_t unixTime = -1;
    Refinement refinement;
};

// Asks `host`, and asks the address that answered again, each query timed to
// halve the window in which the server's offset lies. True when the first
// answer was usable; a refinement query that fails only ends the refinement.
bool AskServer(const std::wstring& host, const CycleControls& controls, ServerAnswer& answer);

// Asks the servers of the blank-separated list in order and sets the clock from
// the first answer not earlier than `controls.earliest`, narrowed by AskServer.
// True when a server gave such an answer. `outcome`, when given, receives what
// the cycle came to.
bool SynchronizeOnce(const std::wstring& serverList, const CycleControls& controls = {},
                     CycleOutcome* outcome = nullptr);

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
