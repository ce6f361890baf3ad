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

// Reads the 4 bytes of an answer into `bytes`. All of them must be there
// within kReceiveTimeoutMs of the start, however they are split: an answer
// that trickles in is late by that much and no longer worth setting the clock
// by. A stop ends the wait at once. Early close and errors write the "horal"
// line.
bool ReceiveAnswer(SOCKET s, unsigned char (&bytes)[4], HANDLE stopEvent)
{
    const SocketEvents arrived(s, FD_READ | FD_CLOSE);
    if (!arrived.tied) {
        return false;
    }
    const std::uint64_t deadline = ::GetTickCount64() + kReceiveTimeoutMs;
    for (int received = 0; received < 4;) {
        ::WSAResetEvent(arrived.event.Get());
        const int n = ::recv(s, reinterpret_cast<char*>(bytes) + received, 4 - received, 0);
        if (n > 0) {
            received += n;
            continue;
        }
        if (n == 0 || ::WSAGetLastError() != WSAEWOULDBLOCK) {
            std::perror("horal");
            return false;
        }
        const DWORD left = MillisecondsUntil(deadline, ::GetTickCount64());
        if (left == 0 || WaitOrStop(arrived.event.Get(), stopEvent, left) != Waited::Ready) {
            return false;
        }
    }
    return true;
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

std::int64_t FileTimeToUnixMilliseconds(const FILETIME& time)
{
    const std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000) - 11644473600000LL;
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
    if (!ReceiveAnswer(s.Get(), bytes, stopEvent)) {
        return -1;
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

bool ClockAgrees(std::int64_t estimateMs, std::int64_t clockMs, std::int64_t roundTripMs)
{
    // Doubled, so that half of an odd round trip is not rounded away.
    const std::int64_t difference = estimateMs - clockMs;
    return 2 * (difference < 0 ? -difference : difference) <= 1000 + roundTripMs;
}

bool SetClockFromUnixTime(std::int64_t unixTime, const AnswerTiming& timing, ClockSetting* setting)
{
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    const std::int64_t sinceAnswer = timing.receivedAt != 0 ? PerformanceCount() - timing.receivedAt : 0;
    const std::int64_t targetMs =
        EstimateUnixMilliseconds(unixTime, timing.connectTicks, sinceAnswer, frequency.QuadPart);
    const std::int64_t roundTripMs = frequency.QuadPart > 0 ? timing.connectTicks * 1000 / frequency.QuadPart : 0;
    SYSTEMTIME time;
    const bool representable = UnixMillisecondsToSystemTime(targetMs, time);
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const std::int64_t nowMs = FileTimeToUnixMilliseconds(now);
    const bool alreadyRight = ClockAgrees(targetMs, nowMs, roundTripMs);
    const bool set = !alreadyRight && representable && ::SetSystemTime(&time);
    const DWORD error = set || alreadyRight ? ERROR_SUCCESS
                        : representable     ? ::GetLastError()
                                            : ERROR_INVALID_PARAMETER;
    if (setting != nullptr) {
        *setting = ClockSetting{targetMs - nowMs, alreadyRight, error};
    }
    if (!set && !alreadyRight) {
        std::fputs("Couldn't set time! :-(\n", stderr);
    }
    return set;
}
