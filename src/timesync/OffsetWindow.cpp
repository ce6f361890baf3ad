#include "timesync/OffsetWindow.h"

#include <algorithm>

namespace {

// Division rounding towards minus infinity, also for negative numerators.
std::int64_t FloorDiv(std::int64_t n, std::int64_t d)
{
    return n / d - (n % d != 0 && n < 0 ? 1 : 0);
}

}  // namespace

OffsetWindow WindowOfAnswer(const TimeAnswer& answer)
{
    const std::int64_t second = answer.serverSeconds * kMicrosecondsPerSecond;
    return {second - answer.answeredUs, second + kMicrosecondsPerSecond - answer.askedUs};
}

OffsetWindow Intersect(const OffsetWindow& a, const OffsetWindow& b)
{
    return {std::max(a.low, b.low), std::min(a.high, b.high)};
}

std::int64_t NextQueryStart(const OffsetWindow& window, std::int64_t durationUs, std::int64_t earliestUs)
{
    // The server's clock at the planned reading if the query began at the
    // earliest moment; the query begins later by what that lacks to the next
    // whole second.
    const std::int64_t reading = durationUs / 2 + window.Middle();
    const std::int64_t serverThen = earliestUs + reading;
    const std::int64_t nextSecond = -FloorDiv(-serverThen, kMicrosecondsPerSecond) * kMicrosecondsPerSecond;
    return nextSecond - reading;
}

bool WorthAnotherQuery(const OffsetWindow& window, std::int64_t durationUs)
{
    // From width w a query leaves w / 2 + duration / 2 at best.
    return window.Width() - durationUs >= 2000;
}

ClockCorrection CorrectionFor(const OffsetWindow& window, std::int64_t localNowUs, std::int64_t systemNowUs)
{
    // The system clock's own offset from the local clock is what the server's
    // ought to be; inside the window nothing tells that it is wrong.
    const std::int64_t systemOffset = systemNowUs - localNowUs;
    return {window.Middle() - systemOffset, window.Holds(systemOffset)};
}

std::int64_t TicksToMicroseconds(std::int64_t ticks, std::int64_t frequency)
{
    if (frequency <= 0) {
        return 0;
    }
    return ticks / frequency * kMicrosecondsPerSecond + ticks % frequency * kMicrosecondsPerSecond / frequency;
}
