// The refinement of whole-second answers against simulated servers and paths.
#include "timesync/OffsetWindow.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// A server whose clock runs `offset` µs ahead of the local one (from its
// `stepAt`th answer on `step` more; every second answer from a second machine
// `other` ahead instead, when not 0), over a path with a round trip of `rtt`
// and up to `jitter` more on each leg. It reads its clock when the handshake's
// last packet arrives and cuts it down to whole seconds.
struct SimulatedServer {
    std::int64_t offset, rtt, jitter, step, stepAt, other;
    std::int64_t now = 1796000000123456;  // local µs since 1970
    std::uint32_t seed = 12345;
    int answers = 0;

    std::int64_t Leg() { return rtt / 2 + std::int64_t{(seed = seed * 1103515245u + 12345u) >> 8} % (jitter + 1); }
    std::int64_t Truth() const { return offset + (answers >= stepAt ? step : 0); }
    TimeAnswer Ask(std::int64_t startUs)
    {
        const std::int64_t asked = std::max(now, startUs), read = asked + Leg() + Leg() + Leg();
        const std::int64_t clock = read + (++answers, Truth()) + (other != 0 && answers % 2 == 0 ? other - offset : 0);
        now = read + Leg();
        return {clock / kMicrosecondsPerSecond, asked, now};
    }
};

}  // namespace

TEST(Refinement, NarrowsToTheRoundTripAndNeverPastTheTruth)
{
    constexpr std::int64_t ms = 1000, never = 1000;
    // Offsets with fractions either way, answered at once, over a LAN, across the world, with jitter; a server that
    // steps a second after its first answer, and a name of two machines 400 ms apart.
    const SimulatedServer cases[] = {{3600300 * ms, 0, 0, 0, never, 0},        {-1799700 * ms, 300, 0, 0, never, 0},
                                     {150 * ms, 300, 50, 0, never, 0},         {0, 1 * ms, 0, 0, never, 0},
                                     {-400, 20 * ms, 0, 0, never, 0},          {987654321, 200 * ms, 0, 0, never, 0},
                                     {-3 * ms, 20 * ms, 40 * ms, 0, never, 0}, {600 * ms, 300, 0, 1000 * ms, 2, 0},
                                     {250 * ms, 300, 0, 0, never, 650 * ms}};
    // Each over a thousand paths: a slow query after a fast one is rare, and costs most.
    for (std::uint32_t seed = 1; seed <= 1000; ++seed)
        for (SimulatedServer server : cases) {
            server.seed = seed;
            server.now += seed * 7919;
            const TimeAnswer first = server.Ask(0);
            const std::int64_t truth = server.Truth();
            std::int64_t slowest = first.answeredUs - first.askedUs;
            const Refinement refined = RefineOffset(first, kMaxRefinements, [&](std::int64_t start, TimeAnswer& next) {
                next = server.Ask(start);
                slowest = std::max(slowest, next.answeredUs - next.askedUs);
                return true;
            });
            const OffsetWindow &window = refined.window, &outer = refined.first;
            // Never outside the first answer's window, which holds the truth. One clock over one path: the truth
            // within a few ms of the round trip. (Two clocks behind one name need not contradict each other, and
            // may narrow the window to where neither is: the service asks the first answer's address again.)
            ASSERT_TRUE(refined.queries <= kMaxRefinements && outer.Holds(truth) && window.low >= outer.low &&
                        window.high <= outer.high)
                << server.offset << " seed " << seed;
            ASSERT_TRUE(server.step != 0 || server.other != 0 ||
                        (window.Holds(truth) && !refined.contradicted && window.Precision() <= slowest / 2 + 3 * ms))
                << server.offset << " seed " << seed;
        }
}

TEST(Refinement, StopsWhenAQueryFailsOrGainsNothingAndTheClockIsRightInsideTheWindow)
{
    SimulatedServer server{123456789, 300, 0, 0, 1000, 0};
    const TimeAnswer first = server.Ask(0);
    int asked = 0;
    // A failed query ends the refinement: the first answer's window, one query counted. Answers that leave no offset
    // give the first answer's window, not what came between. None when none are allowed.
    Refinement refined = RefineOffset(first, kMaxRefinements, [&](std::int64_t, TimeAnswer&) { return ++asked > 9; });
    EXPECT_TRUE(refined.queries == 1 && refined.window.low == refined.first.low && !refined.contradicted);
    refined = RefineOffset(first, kMaxRefinements, [&](std::int64_t start, TimeAnswer& next) {
        next = ++asked < 4 ? server.Ask(start) : TimeAnswer{first.serverSeconds + 100, start, start + 300};
        return true;
    });
    EXPECT_TRUE(refined.contradicted && refined.queries == 3 && refined.window.low == refined.first.low &&
                refined.window.high == refined.first.high);
    EXPECT_EQ(RefineOffset(first, 0, [](std::int64_t, TimeAnswer&) { return true; }).queries, 0);
    // None once the window is as narrow as a query is long; each planned so that the server reads its clock at a
    // whole second of the middle.
    EXPECT_TRUE(WorthAnotherQuery({0, 2300}, 300) && !WorthAnotherQuery({0, 2299}, 300));
    const std::int64_t start = NextQueryStart({-1799700000, -1799600000}, 2000, 1796000000000000);
    EXPECT_TRUE(start == 1796000000649000 && NextQueryStart({-1799700000, -1799600000}, 2000, start) == start);
    // A system clock 5 ms behind the local one: right for a window that holds -5 ms, moved to its middle otherwise.
    const std::int64_t cases[][4] = {
        {-5000, 7000, 6000, 1}, {-7000, -5000, -1000, 1}, {-4999, 7000, 6000, 0}, {-9002, -5002, -2002, 0}};
    for (const auto& [low, high, correction, right] : cases) {
        const ClockCorrection found = CorrectionFor({low, high}, 1796000000000000, 1796000000000000 - 5000);
        EXPECT_TRUE(found.correctionUs == correction && found.alreadyRight == (right != 0)) << low;
    }
    // Counters of any uptime: 10 MHz for 300 years; none without a frequency.
    EXPECT_TRUE(TicksToMicroseconds(94608000000000000LL + 123, 10000000) == 9460800000000000LL + 12 &&
                TicksToMicroseconds(123, 0) == 0);
}
