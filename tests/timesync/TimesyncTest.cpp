// The RFC 868 client against the test time servers of CMakeLists.txt.
#include "platform/Handles.h"
#include "timesync/Synchronization.h"
#include "timesync/TimeQuery.h"
#include "timesync/TimeServerConnection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr std::int64_t kUnix3000000000 = 3000000000LL - 2208988800LL;

DWORD MsSince(DWORD start)
{
    return ::GetTickCount() - start;
}

class Servers : public ::testing::Test {
protected:
    void TearDown() override { HideGetAddrInfoForTest(false); }
    WinsockScope winsock;
};

}  // namespace

TEST(TimeConversion, ServerCountsStayCurrentUntil2104)
{
    const std::pair<std::uint32_t, std::int64_t> cases[] = {
        {2208988800u, 0},             // 1970-01-01
        {0xFFFFFFFFu, 2085978495},    // 2036-02-07 06:28:15
        {0, 2085978496},              // the count wrapped: 2036-02-07 06:28:16
        {0x7FFFFFFFu, 4233462143LL},  // 2104-02-26 09:42:23
        {0x80000000u, -61505152},     // 1968-01-20
        {2208988799u, -1},
    };
    for (const auto& [value, unixTime] : cases) {
        EXPECT_EQ(ServerValueToUnixTime(value), unixTime) << value;
    }
    // The middle of the server's second, half the connect, the time since.
    EXPECT_EQ(EstimateUnixMilliseconds(100, 1000, 2000, 10000), 100000 + 500 + 50 + 200);
}

TEST(TimeConversion, CalendarAgreesWithTheSystemUntil2104)
{
    std::vector<std::int64_t> instants{2147483648000LL, 4107542399000LL, 4107542400000LL};  // 2038, 2100-02-28/03-01
    for (std::int64_t ms = 0; ms <= 4233462143999LL; ms += 269999123) {
        instants.push_back(ms);
    }
    for (std::int64_t ms : instants) {
        SYSTEMTIME ours;
        ASSERT_TRUE(UnixMillisecondsToSystemTime(ms, ours));
        ULARGE_INTEGER ticks;
        ticks.QuadPart = (static_cast<ULONGLONG>(ms) + 11644473600000ULL) * 10000ULL;
        const FILETIME ft{ticks.LowPart, ticks.HighPart};
        SYSTEMTIME system;
        ASSERT_TRUE(::FileTimeToSystemTime(&ft, &system));
        ASSERT_EQ(std::memcmp(&ours, &system, sizeof(ours)), 0) << "at " << ms;
    }
    SYSTEMTIME none;
    EXPECT_FALSE(UnixMillisecondsToSystemTime(-1, none));
}

TEST_F(Servers, AnswersWholeInPiecesOrWithExtraBytesAgree)
{
    ASSERT_TRUE(winsock.ready);
    const std::pair<const wchar_t*, std::int64_t> cases[] = {
        {L"127.0.0.4", kUnix3000000000},
        {L"127.0.0.3", kUnix3000000000},
        {L"127.0.0.7", kUnix3000000000},
        {L"127.0.0.2", 0},
        {L"127.0.0.8", 2085978496},
        {L"127.0.0.13", 4233462143LL},
        // Before 1970 there is no date to set: no answer.
        {L"127.0.0.10", -1},
        {L"127.0.0.11", -1},
    };
    for (const auto& [host, unixTime] : cases) {
        EXPECT_EQ(QueryServerTime(host), unixTime) << host;
    }
}

TEST_F(Servers, EarlyCloseWritesTheErrorLineSilenceAndRefusalDoNot)
{
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(QueryServerTime(L"127.0.0.5"), -1);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("horal: ", 0), 0u) << err;
    EXPECT_EQ(err.back(), '\n');

    ::testing::internal::CaptureStderr();
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(QueryServerTime(L"127.0.0.6"), -1);  // accepts and never answers
    EXPECT_GE(MsSince(start), kReceiveTimeoutMs - 200);
    EXPECT_LT(MsSince(start), kReceiveTimeoutMs + 3000);
    EXPECT_EQ(QueryServerTime(L"127.0.0.12"), -1);  // nothing listens
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(Servers, ConnectThatNeverCompletesIsBounded)
{
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(ConnectToHost(L"127.0.0.9", 37, SOCK_STREAM), INVALID_SOCKET);  // full backlog
    EXPECT_GE(MsSince(start), kConnectTimeoutMs - 200);
    EXPECT_LT(MsSince(start), kConnectTimeoutMs + 3000);
}

TEST_F(Servers, ResolverFromTheLoadedModuleAndTheIpv4Fallback)
{
    UniqueSocket first(ConnectToHost(L"127.0.0.4", 37, SOCK_STREAM));
    EXPECT_TRUE(first);
    EXPECT_EQ(CachedGetAddrInfo(),
              reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"WS2_32.dll"), "getaddrinfo")));
    for (bool hidden : {false, true}) {
        HideGetAddrInfoForTest(hidden);
        EXPECT_TRUE(UniqueSocket(ConnectToHost(L"127.0.0.4", 37, SOCK_STREAM))) << hidden;
        EXPECT_TRUE(UniqueSocket(ConnectToHost(L"localhost", 37, SOCK_STREAM))) << hidden;  // 127.0.0.1 answers too
        EXPECT_EQ(ConnectToHost(L"no-such-host.invalid", 37, SOCK_STREAM), INVALID_SOCKET) << hidden;
        EXPECT_EQ(ConnectToHost(L"127.0.0.12", 37, SOCK_STREAM), INVALID_SOCKET) << hidden;
    }
}

TEST(SetClock, RefusalIsReportedOnStderr)
{
    // Wine does not let programs set the clock: the real SetSystemTime fails.
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(SetClockFromUnixTime(kUnix3000000000, AnswerTiming{}));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Couldn't set time! :-(\n");
}

TEST(Cycle, ServerListSplitsAtRunsOfBlanksOnly)
{
    const std::pair<const wchar_t*, std::vector<std::wstring>> cases[] = {
        {L"  a.example   b.example ", {L"a.example", L"b.example"}},
        {L"a\tb c,d;e", {L"a\tb", L"c,d;e"}},
        {L"", {}},
        {L"     ", {}},
    };
    for (const auto& [text, expected] : cases) {
        ServerListTokenizer tokenizer(text, L" ");
        std::vector<std::wstring> tokens;
        for (std::wstring t = tokenizer.NextToken(); !t.empty(); t = tokenizer.NextToken()) {
            tokens.push_back(t);
        }
        EXPECT_EQ(tokens, expected);
        EXPECT_EQ(tokenizer.NextToken(), L"");  // used up stays used up
    }
}

TEST(Cycle, LongWaitsAreWaitedWholeAndAStopEndsThem)
{
    for (std::uint64_t seconds : {86400ULL, 4294968ULL, 0xFFFFFFFFULL}) {
        std::uint64_t remaining = seconds * 1000;
        std::uint64_t total = 0;
        while (remaining != 0) {
            const DWORD piece = NextWaitChunk(remaining);
            EXPECT_NE(piece, INFINITE);
            total += piece;
        }
        EXPECT_EQ(total, seconds * 1000);
    }
    UniqueEvent stop(::CreateEventW(nullptr, FALSE, TRUE, nullptr));
    const DWORD start = ::GetTickCount();
    EXPECT_FALSE(WaitForInterval(stop.Get(), 4294967295u));
    EXPECT_FALSE(WaitForInterval(nullptr, 10));
    EXPECT_LT(MsSince(start), 1000u);
    // Empty lists ask nobody; nor does a cycle whose stop came first.
    std::atomic<std::int32_t> running{0};
    EXPECT_FALSE(SynchronizeOnce(L"    "));
    EXPECT_FALSE(SynchronizeOnce(L"127.0.0.4", &running));
}
