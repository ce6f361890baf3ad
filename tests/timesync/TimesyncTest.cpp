// The RFC 868 client against the test time servers of CMakeLists.txt.
#include "platform/Handles.h"
#include "timesync/Synchronization.h"
#include "timesync/TimeQuery.h"
#include "timesync/TimeServerConnection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr std::int64_t kUnix3000000000 = 3000000000LL - 2208988800LL;

// The milliseconds `work` took.
template <typename Work>
DWORD Took(Work work)
{
    const DWORD start = ::GetTickCount();
    work();
    return ::GetTickCount() - start;
}

}  // namespace

TEST(TimeConversion, ServerCountsAndCalendarUntil2104)
{
    const std::pair<std::uint32_t, std::int64_t> cases[] = {
        {2208988800u, 0},         {0xFFFFFFFFu, 2085978495},   {0, 2085978496},     // 1970, 2036-02-07 06:28:15, :16
        {0x80000000u, -61505152}, {0x7FFFFFFFu, 4233462143LL}, {2208988799u, -1}};  // 1968, 2104-02-26, 1969
    for (const auto& [value, unixTime] : cases) {
        EXPECT_EQ(ServerValueToUnixTime(value), unixTime) << value;
    }
    // The middle of the server's second, half the connect, the time since: on
    // loopback the last two are too small for the journeys to see.
    EXPECT_EQ(EstimateUnixMilliseconds(100, 1000, 2000, 10000), 100000 + 500 + 50 + 200);
    // Every field as Windows gives it: the 2038 moment, 2100-02-28 and 03-01, and steps across all.
    std::vector<std::int64_t> instants{2147483648000LL, 4107542399000LL, 4107542400000LL};
    for (std::int64_t ms = 0; ms <= 4233462143999LL; ms += 269999123) {
        instants.push_back(ms);
    }
    SYSTEMTIME ours, system;
    for (std::int64_t ms : instants) {
        ULARGE_INTEGER ticks;
        ticks.QuadPart = (static_cast<ULONGLONG>(ms) + 11644473600000ULL) * 10000ULL;
        const FILETIME ft{ticks.LowPart, ticks.HighPart};
        ASSERT_TRUE(UnixMillisecondsToSystemTime(ms, ours) && ::FileTimeToSystemTime(&ft, &system));
        ASSERT_EQ(std::memcmp(&ours, &system, sizeof(ours)), 0) << "at " << ms;
    }
    EXPECT_FALSE(UnixMillisecondsToSystemTime(-1, ours));
}

TEST(Servers, AnswersAndFaults)
{
    WinsockScope winsock;
    ASSERT_TRUE(winsock.ready);
    // Whole, in pieces, with extra bytes; 1970; 2104, after the count wrapped; 1968 (before 1970) is no answer.
    const std::pair<const wchar_t*, std::int64_t> cases[] = {
        {L"127.0.0.4", kUnix3000000000}, {L"127.0.0.3", kUnix3000000000},
        {L"127.0.0.7", kUnix3000000000}, {L"127.0.0.2", 0},
        {L"127.0.0.13", 4233462143LL},   {L"127.0.0.10", -1}};
    for (const auto& [host, unixTime] : cases) {
        EXPECT_EQ(QueryServerTime(host), unixTime) << host;
    }
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(QueryServerTime(L"127.0.0.5"), -1);  // closes after 3 bytes: the fourth must not come from elsewhere
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(err.rfind("horal: ", 0) == 0 && err.back() == '\n') << err;
    // Silence, refusal and a connect that never completes (a full backlog)
    // are quiet, and none takes longer than its bound.
    ::testing::internal::CaptureStderr();
    const DWORD silent = Took([] { EXPECT_EQ(QueryServerTime(L"127.0.0.6"), -1); });
    EXPECT_EQ(QueryServerTime(L"127.0.0.12"), -1);
    const DWORD stalled = Took([] { EXPECT_EQ(ConnectToHost(L"127.0.0.9", 37, SOCK_STREAM), INVALID_SOCKET); });
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    for (const auto& [took, bound] : {std::make_pair(silent, kReceiveTimeoutMs), {stalled, kConnectTimeoutMs}}) {
        EXPECT_TRUE(took >= bound - 200 && took < bound + 3000) << took;
    }
}

TEST(Servers, ResolverFromTheLoadedModuleAndTheIpv4Fallback)
{
    WinsockScope winsock;
    EXPECT_TRUE(UniqueSocket(ConnectToHost(L"127.0.0.4", 37, SOCK_STREAM)));
    EXPECT_EQ(CachedGetAddrInfo(),
              reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"WS2_32.dll"), "getaddrinfo")));
    // Under scripts/isolated the name server of CMakeLists.txt never answers; elsewhere the name is unknown.
    const bool hangs = std::getenv("HORAL_RESOLVER") != nullptr;
    for (bool hidden : {false, true}) {
        HideGetAddrInfoForTest(hidden);
        EXPECT_TRUE(UniqueSocket(ConnectToHost(L"127.0.0.4", 37, SOCK_STREAM))) << hidden;
        EXPECT_TRUE(UniqueSocket(ConnectToHost(L"localhost", 37, SOCK_STREAM))) << hidden;  // 127.0.0.1 answers
        EXPECT_EQ(ConnectToHost(L"127.0.0.12", 37, SOCK_STREAM), INVALID_SOCKET) << hidden;
        // A lookup that fails, or hangs and is given up after its bound (a stop cuts it short: the service journey).
        const DWORD hung = Took([] { EXPECT_EQ(ConnectToHost(L"hang.horal.test", 37, SOCK_STREAM), INVALID_SOCKET); });
        EXPECT_TRUE(!hangs || (hung >= kLookupTimeoutMs - 200 && hung < kLookupTimeoutMs + 1000)) << hung;
    }
    HideGetAddrInfoForTest(false);
}

TEST(Cycle, RefusedClockWaitsAndEmptyLists)
{
    // Wine does not let programs set the clock: the real SetSystemTime fails.
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(SetClockFromUnixTime(kUnix3000000000, AnswerTiming{}));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Couldn't set time! :-(\n");

    // Intervals beyond 49 days are waited whole, in pieces none of which is INFINITE.
    for (std::uint64_t seconds : {86400ULL, 4294968ULL, 0xFFFFFFFFULL}) {
        std::uint64_t remaining = seconds * 1000, total = 0;
        for (DWORD piece; remaining != 0; total += piece) {
            piece = NextWaitChunk(remaining);
            EXPECT_NE(piece, INFINITE);
        }
        EXPECT_EQ(total, seconds * 1000);
    }
    // The real wait of an interval beyond 49 days lasts until a stop sent 2 s in, and ends with it.
    UniqueEvent stop(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    std::thread stopper([&stop] {
        ::Sleep(2000);
        ::SetEvent(stop.Get());
    });
    const DWORD waited =
        Took([&] { EXPECT_FALSE(WaitForInterval(stop.Get(), 4294968u) || WaitForInterval(nullptr, 10)); });
    stopper.join();
    EXPECT_TRUE(waited >= 1900 && waited < 2500) << waited;
    // Empty lists ask nobody; nor does a cycle whose stop came first.
    std::atomic<std::int32_t> running{0};
    EXPECT_FALSE(SynchronizeOnce(L"    ") || SynchronizeOnce(L"127.0.0.4", &running));
}
