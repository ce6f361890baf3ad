// How far a server's clock stands from the local one, narrowed from RFC 868's
// whole-second answers. Times and offsets are microseconds; local instants are
// read from one local clock (see LocalMicroseconds).
#pragma once

#include <algorithm>
#include <cstdint>

constexpr std::int64_t kMicrosecondsPerSecond = 1000000;

// One answer: the server's whole seconds since 1970, the local instant at
// which the connection began, and the one at which its four bytes were there.
struct TimeAnswer {
    std::int64_t serverSeconds = 0;
    std::int64_t askedUs = 0;
    std::int64_t answeredUs = 0;
};

// The offsets (server clock minus local clock) not ruled out, from low to high,
// both included; empty when low is above high.
struct OffsetWindow {
    std::int64_t low = 0;
    std::int64_t high = -1;

    bool Empty() const { return low > high; }
    std::int64_t Width() const { return high - low; }
    std::int64_t Middle() const { return low + (high - low) / 2; }
    // How far the middle may lie from the truth: half the width, rounded up.
    std::int64_t Precision() const { return (high - low + 1) / 2; }
    bool Holds(std::int64_t offset) const { return low <= offset && offset <= high; }
};

// The server read its clock at some instant between the two local ones and cut
// it down to whole seconds: serverSeconds - answered < offset < serverSeconds + 1 - asked.
OffsetWindow WindowOfAnswer(const TimeAnswer& answer);

OffsetWindow Intersect(const OffsetWindow& a, const OffsetWindow& b);

// The local instant, not before `earliestUs`, at which to begin a query that
// takes `durationUs`, so that the server reads its clock (in the middle of the
// query) where the window's middle puts a whole second of the server's: the
// answer then tells in which half of the window the offset lies.
std::int64_t NextQueryStart(const OffsetWindow& window, std::int64_t durationUs, std::int64_t earliestUs);

// Whether a query that takes `durationUs` would still narrow the window by a
// millisecond or more: each leaves half the window plus its own duration.
bool WorthAnotherQuery(const OffsetWindow& window, std::int64_t durationUs);

// The most queries after the first answer, and how long after an answer the
// next query may begin at the earliest (time to plan it and start waiting).
constexpr int kMaxRefinements = 8;
constexpr std::int64_t kQueryLeadUs = 20000;

// What the refinement of one server's answer came to.
struct Refinement {
    OffsetWindow first;         // the first answer's window: the middle of its second
    OffsetWindow window;        // what all answers allow together; `first` when they contradict each other
    int queries = 0;            // the queries after the first, failed ones included
    bool contradicted = false;  // no offset fits all answers: a step, another machine, a jump of the delay
};

// Narrows the first answer's window with at most `maxQueries` further queries,
// each timed to split the window in two, until another would gain nothing.
// `ask(startUs, answer)` waits until `startUs`, asks the same server again and
// fills `answer`; false (no usable answer, a stop) ends the refinement with
// what it has. Answers that contradict each other leave the first one's window.
template <typename Ask>
Refinement RefineOffset(const TimeAnswer& first, int maxQueries, Ask&& ask)
{
    Refinement result;
    result.first = result.window = WindowOfAnswer(first);
    // Planned for the slowest query so far: one that takes longer than
    // planned, or shorter, then leaves no more than half the window plus that.
    std::int64_t slowest = first.answeredUs - first.askedUs;
    std::int64_t answeredUs = first.answeredUs;
    while (result.queries < maxQueries && WorthAnotherQuery(result.window, slowest)) {
        ++result.queries;
        TimeAnswer next;
        if (!ask(NextQueryStart(result.window, slowest, answeredUs + kQueryLeadUs), next)) {
            break;
        }
        const OffsetWindow narrowed = Intersect(result.window, WindowOfAnswer(next));
        if (narrowed.Empty()) {
            result.window = result.first;
            result.contradicted = true;
            break;
        }
        result.window = narrowed;
        slowest = std::max(slowest, next.answeredUs - next.askedUs);
        answeredUs = next.answeredUs;
    }
    return result;
}

// What setting the clock from a window would do: move it by `correctionUs`
// (to the window's middle), unless it already lies inside the window.
struct ClockCorrection {
    std::int64_t correctionUs = 0;
    bool alreadyRight = false;
};

// The correction for a system clock reading `systemNowUs` at the local
// instant `localNowUs`.
ClockCorrection CorrectionFor(const OffsetWindow& window, std::int64_t localNowUs, std::int64_t systemNowUs);

// Microseconds of a performance-counter reading at `frequency` ticks a second,
// without overflowing for any uptime.
std::int64_t TicksToMicroseconds(std::int64_t ticks, std::int64_t frequency);
