#include "timesync/TimeQuery.h"

#include "platform/Handles.h"
#include "timesync/TimeServerConnection.h"

#include <cmath>
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

// Reads the answer on a connected socket, closes it and notes when it came.
std::int64_t AnswerOn(UniqueSocket s, AnswerTiming& timing, HANDLE stopEvent)
{
    unsigned char bytes[4];
    if (!s || !ReceiveAnswer(s.Get(), bytes, stopEvent)) {
        return -1;
    }
    timing.receivedUs = LocalMicroseconds();
    s.Reset();
    const std::uint32_t serverValue = (static_cast<std::uint32_t>(bytes[0]) << 24) |
                                      (static_cast<std::uint32_t>(bytes[1]) << 16) |
                                      (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
    const std::int64_t unixTime = ServerValueToUnixTime(serverValue);
    // Before 1970 has no calendar date to set; such a server has not answered.
    return unixTime < 0 ? -1 : unixTime;
}

}  // namespace

std::int64_t ServerValueToUnixTime(std::uint32_t serverValue)
{
    constexpr std::int64_t k1900To1970 = 2208988800;
    constexpr std::int64_t kWrap = std::int64_t{1} << 32;
    return serverValue >= 0x80000000u ? serverValue - k1900To1970 : serverValue + kWrap - k1900To1970;
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
    AnswerTiming local;
    AnswerTiming& result = timing != nullptr ? *timing : local;
    return AnswerOn(UniqueSocket(ConnectToHost(host, kTimePort, SOCK_STREAM, &result.peer, stopEvent)), result,
                    stopEvent);
}

std::int64_t QueryPeerTime(AnswerTiming& timing, HANDLE stopEvent)
{
    return AnswerOn(UniqueSocket(ConnectToPeer(timing.peer, SOCK_STREAM, stopEvent)), timing, stopEvent);
}

bool SetClockFromWindow(const OffsetWindow& window, ClockSetting* setting)
{
    const std::int64_t localNow = LocalMicroseconds();
    const ClockCorrection correction = CorrectionFor(window, localNow, SystemTimeMicroseconds());
    // To the nearest millisecond, the finest the system time takes.
    const auto nearestMs = [](std::int64_t us) { return std::llround(static_cast<double>(us) / 1000); };
    const std::int64_t targetMs = nearestMs(localNow + window.Middle());
    SYSTEMTIME time;
    const bool representable = UnixMillisecondsToSystemTime(targetMs, time);
    const bool set = !correction.alreadyRight && representable && ::SetSystemTime(&time);
    const DWORD error = set || correction.alreadyRight ? ERROR_SUCCESS
                        : representable                ? ::GetLastError()
                                                       : ERROR_INVALID_PARAMETER;
    if (setting != nullptr) {
        *setting = ClockSetting{nearestMs(correction.correctionUs), (window.Precision() + 999) / 1000,
                                correction.alreadyRight, error};
    }
    if (!set && !correction.alreadyRight) {
        std::fputs("Couldn't set time! :-(\n", stderr);
    }
    return set;
}
