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

std::int32_t ServerValueToUnixTime(std::uint32_t serverValue)
{
    return static_cast<std::int32_t>(serverValue + 2085978496u);
}

bool UnixTimeToSystemTime(std::int32_t unixTime, SYSTEMTIME& out)
{
    out = SYSTEMTIME{};
    if (unixTime < 0) {
        return false;
    }
    const std::int64_t days = unixTime / 86400;
    const std::int64_t secondOfDay = unixTime % 86400;
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days, year, month, day);
    out.wYear = static_cast<WORD>(year);
    out.wMonth = static_cast<WORD>(month);
    out.wDayOfWeek = static_cast<WORD>((days + 4) % 7);  // 1970-01-01 was a Thursday
    out.wDay = static_cast<WORD>(day);
    out.wHour = static_cast<WORD>(secondOfDay / 3600);
    out.wMinute = static_cast<WORD>(secondOfDay / 60 % 60);
    out.wSecond = static_cast<WORD>(secondOfDay % 60);
    out.wMilliseconds = 0;
    return true;
}

std::int32_t QueryServerTime(const std::wstring& host)
{
    UniqueSocket s(ConnectToHost(host, kTimePort, SOCK_STREAM));
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
    s.Reset();
    const std::uint32_t serverValue = (static_cast<std::uint32_t>(bytes[0]) << 24) |
                                      (static_cast<std::uint32_t>(bytes[1]) << 16) |
                                      (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
    const std::int32_t unixTime = ServerValueToUnixTime(serverValue);
    // Before 1970 has no calendar date to set; such a server has not answered.
    return unixTime < 0 ? -1 : unixTime;
}

bool SetClockFromUnixTime(std::int32_t unixTime)
{
    SYSTEMTIME time;
    if (!UnixTimeToSystemTime(unixTime, time) || !::SetSystemTime(&time)) {
        std::fputs("Couldn't set time! :-(\n", stderr);
        return false;
    }
    return true;
}
