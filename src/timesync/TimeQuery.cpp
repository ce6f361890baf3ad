#include "timesync/TimeQuery.h"

#include "platform/Handles.h"
#include "timesync/TimeServerConnection.h"

#include <cstdio>

namespace {

// Days since 1970-01-01 to a Gregorian date (Howard Hinnant's civil_from_days).
void CivilFromDays(std::int64_t days, int& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

// Waits until `s` has data; false when nothing arrives within the bound.
bool WaitReadable(SOCKET s)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval limit{static_cast<long>(kReceiveTimeoutMs / 1000), static_cast<long>(kReceiveTimeoutMs % 1000) * 1000};
    return ::select(0, &readable, nullptr, nullptr, &limit) > 0;
}

}  // namespace

std::int64_t ServerValueToUnixTime(std::uint32_t serverValue)
{
    constexpr std::int64_t k1900To1970 = 2208988800;
    constexpr std::int64_t kWrap = std::int64_t{1} << 32;
    return serverValue >= 0x80000000u ? serverValue - k1900To1970 : serverValue + kWrap - k1900To1970;
}

std::int64_t EstimateUnixMilliseconds(std::int64_t unixTime, std::int64_t connectTicks, std::int64_t ticksSinceAnswer,
                                      std::int64_t ticksPerSecond)
{
    if (ticksPerSecond <= 0) {
        return unixTime * 1000 + 500;
    }
    return unixTime * 1000 + 500 + connectTicks * 1000 / ticksPerSecond / 2 + ticksSinceAnswer * 1000 / ticksPerSecond;
}

bool UnixMillisecondsToSystemTime(std::int64_t unixMs, SYSTEMTIME& out)
{
    out = SYSTEMTIME{};
    if (unixMs < 0) {
        return false;
    }
    const std::int64_t days = unixMs / 86400000;
    const std::int64_t msOfDay = unixMs % 86400000;
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days, year, month, day);
    out.wYear = static_cast<WORD>(year);
    out.wMonth = static_cast<WORD>(month);
    out.wDayOfWeek = static_cast<WORD>((days + 4) % 7);  // 1970-01-01 was a Thursday
    out.wDay = static_cast<WORD>(day);
    out.wHour = static_cast<WORD>(msOfDay / 3600000);
    out.wMinute = static_cast<WORD>(msOfDay / 60000 % 60);
    out.wSecond = static_cast<WORD>(msOfDay / 1000 % 60);
    out.wMilliseconds = static_cast<WORD>(msOfDay % 1000);
    return true;
}

std::int64_t QueryServerTime(const std::wstring& host, AnswerTiming* timing, HANDLE stopEvent)
{
    std::int64_t connectTicks = 0;
    UniqueSocket s(ConnectToHost(host, kTimePort, SOCK_STREAM, &connectTicks, stopEvent));
    if (!s) {
        return -1;
    }
    unsigned char bytes[4];
    int received = 0;
    while (received < 4) {
        // A server that accepts and then stays silent must not hold the cycle
        // (and with it a stop request) for ever.
        if (!WaitReadable(s.Get())) {
            return -1;
        }
        const int n = ::recv(s.Get(), reinterpret_cast<char*>(bytes) + received, 4 - received, 0);
        if (n <= 0) {
            std::perror("horal");
            return -1;
        }
        received += n;
    }
    const std::int64_t receivedAt = PerformanceCount();
    s.Reset();
    const std::uint32_t serverValue = (static_cast<std::uint32_t>(bytes[0]) << 24) |
                                      (static_cast<std::uint32_t>(bytes[1]) << 16) |
                                      (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
    const std::int64_t unixTime = ServerValueToUnixTime(serverValue);
    // Before 1970 has no calendar date to set; such a server has not answered.
    if (unixTime < 0) {
        return -1;
    }
    if (timing != nullptr) {
        *timing = AnswerTiming{connectTicks, receivedAt};
    }
    return unixTime;
}

bool SetClockFromUnixTime(std::int64_t unixTime, const AnswerTiming& timing)
{
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    const std::int64_t sinceAnswer = timing.receivedAt != 0 ? PerformanceCount() - timing.receivedAt : 0;
    SYSTEMTIME time;
    if (!UnixMillisecondsToSystemTime(
            EstimateUnixMilliseconds(unixTime, timing.connectTicks, sinceAnswer, frequency.QuadPart), time) ||
        !::SetSystemTime(&time)) {
        std::fputs("Couldn't set time! :-(\n", stderr);
        return false;
    }
    return true;
}
