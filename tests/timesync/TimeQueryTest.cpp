#include "timesync/TimeQuery.h"

#include "platform/Handles.h"
#include "timesync/TimeServerConnection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr std::int32_t kUnix3000000000 = 3000000000 - 2208988800LL;

class Query : public ::testing::Test {
protected:
    WinsockScope winsock;
};

SYSTEMTIME Broken(std::int32_t t)
{
    SYSTEMTIME st;
    EXPECT_TRUE(UnixTimeToSystemTime(t, st));
    return st;
}

}  // namespace

TEST(TimeConversion, EpochsAndWrap)
{
    EXPECT_EQ(ServerValueToUnixTime(2208988800u), 0);
    EXPECT_EQ(ServerValueToUnixTime(2208988799u), -1);
    EXPECT_EQ(ServerValueToUnixTime(0), 2085978496);
    EXPECT_EQ(ServerValueToUnixTime(61505151u), INT32_MAX);
    EXPECT_LT(ServerValueToUnixTime(61505152u), 0);

    const SYSTEMTIME wrapped = Broken(ServerValueToUnixTime(0));
    EXPECT_EQ(wrapped.wYear, 2036);
    EXPECT_EQ(wrapped.wMonth, 2);
    EXPECT_EQ(wrapped.wDay, 7);
    EXPECT_EQ(wrapped.wHour, 6);
    EXPECT_EQ(wrapped.wMinute, 28);
    EXPECT_EQ(wrapped.wSecond, 16);
    EXPECT_EQ(wrapped.wDayOfWeek, 4);

    const SYSTEMTIME epoch = Broken(0);
    EXPECT_EQ(epoch.wYear, 1970);
    EXPECT_EQ(epoch.wDayOfWeek, 4);

    SYSTEMTIME none;
    EXPECT_FALSE(UnixTimeToSystemTime(-1, none));
}

TEST(TimeConversion, AgreesWithTheSystemCalendar)
{
    // Every field, day of the week included, as Windows converts the same
    // instant; steps of just over 3 days cross every month, leap day and weekday.
    for (std::int64_t t = 0; t <= INT32_MAX; t += 269999) {
        SYSTEMTIME ours = Broken(static_cast<std::int32_t>(t));
        ULARGE_INTEGER ticks;
        ticks.QuadPart = (static_cast<ULONGLONG>(t) + 11644473600ULL) * 10000000ULL;
        FILETIME ft{ticks.LowPart, ticks.HighPart};
        SYSTEMTIME system;
        ASSERT_TRUE(::FileTimeToSystemTime(&ft, &system));
        ASSERT_EQ(std::memcmp(&ours, &system, sizeof(ours)), 0) << "at " << t;
    }
}

TEST_F(Query, WholeAndPiecewiseAnswersAgree)
{
    ASSERT_TRUE(winsock.ready);
    EXPECT_EQ(QueryServerTime(L"127.0.0.4"), kUnix3000000000);
    EXPECT_EQ(QueryServerTime(L"127.0.0.3"), kUnix3000000000);
    // Bytes after the fourth are not part of the answer.
    EXPECT_EQ(QueryServerTime(L"127.0.0.7"), kUnix3000000000);
    EXPECT_EQ(QueryServerTime(L"127.0.0.2"), 0);
    EXPECT_EQ(QueryServerTime(L"127.0.0.8"), 2085978496);
}

TEST_F(Query, TimesBefore1970CountAsNoAnswer)
{
    EXPECT_EQ(QueryServerTime(L"127.0.0.10"), -1);
    EXPECT_EQ(QueryServerTime(L"127.0.0.11"), -1);
    EXPECT_EQ(QueryServerTime(L"127.0.0.13"), -1);
}

TEST_F(Query, EarlyCloseWritesTheErrorLine)
{
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(QueryServerTime(L"127.0.0.5"), -1);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("horal: ", 0), 0u) << err;
    EXPECT_EQ(err.back(), '\n');
}

TEST_F(Query, SilentServerAndRefusalAreQuietAndBounded)
{
    ::testing::internal::CaptureStderr();
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(QueryServerTime(L"127.0.0.6"), -1);
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_EQ(QueryServerTime(L"127.0.0.12"), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_GE(elapsed, kReceiveTimeoutMs - 200);
    EXPECT_LT(elapsed, kReceiveTimeoutMs + 3000);
}

TEST(SetClock, RefusalIsReportedOnStderr)
{
    // Wine does not let programs set the clock, so this exercises the failure
    // path with the real SetSystemTime; the host clock is never touched.
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(SetClockFromUnixTime(ServerValueToUnixTime(3000000000u)));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Couldn't set time! :-(\n");
}
