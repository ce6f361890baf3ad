#include "timesync/Synchronization.h"

#include "platform/Handles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::wstring> Tokens(const std::wstring& text)
{
    ServerListTokenizer tokenizer(text, L" ");
    std::vector<std::wstring> out;
    for (std::wstring t = tokenizer.NextToken(); !t.empty(); t = tokenizer.NextToken()) {
        out.push_back(t);
    }
    // Once used up it stays used up.
    EXPECT_EQ(tokenizer.NextToken(), L"");
    return out;
}

}  // namespace

TEST(ServerList, SplitsAtRunsOfBlanksOnly)
{
    EXPECT_EQ(Tokens(L"  a.example   b.example "), (std::vector<std::wstring>{L"a.example", L"b.example"}));
    EXPECT_EQ(Tokens(L"a\tb c,d;e"), (std::vector<std::wstring>{L"a\tb", L"c,d;e"}));
    EXPECT_TRUE(Tokens(L"").empty());
    EXPECT_TRUE(Tokens(L"     ").empty());
    ServerListTokenizer several(L"x--y-", L"-");
    EXPECT_EQ(several.NextToken(), L"x");
    EXPECT_EQ(several.NextToken(), L"y");
    EXPECT_EQ(several.NextToken(), L"");
}

TEST(WaitChunks, LongIntervalsAreWaitedWhole)
{
    std::uint64_t remaining = 86400ULL * 1000;
    EXPECT_EQ(NextWaitChunk(remaining), 86400000u);
    EXPECT_EQ(remaining, 0u);

    // 4294968 s would wrap to 704 ms in 32 bits; no piece may be INFINITE.
    remaining = 4294968ULL * 1000;
    std::uint64_t total = 0;
    while (remaining != 0) {
        const DWORD chunk = NextWaitChunk(remaining);
        EXPECT_NE(chunk, INFINITE);
        total += chunk;
    }
    EXPECT_EQ(total, 4294968000ULL);

    remaining = 0xFFFFFFFFULL * 1000;
    int pieces = 0;
    while (remaining != 0) {
        NextWaitChunk(remaining);
        ++pieces;
    }
    EXPECT_EQ(pieces, 1001);
}

TEST(WaitForInterval, EndsAtStopAndOnFailure)
{
    UniqueEvent stop(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    EXPECT_TRUE(WaitForInterval(stop.Get(), 0));
    ::SetEvent(stop.Get());
    DWORD start = ::GetTickCount();
    EXPECT_FALSE(WaitForInterval(stop.Get(), 4294967295u));
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_FALSE(WaitForInterval(nullptr, 10));
    start = ::GetTickCount();
    EXPECT_TRUE(WaitForInterval(stop.Get(), 1));
    EXPECT_GE(::GetTickCount() - start, 900u);
}

TEST(SynchronizeOnce, EmptyListsAskNobody)
{
    EXPECT_FALSE(SynchronizeOnce(L""));
    EXPECT_FALSE(SynchronizeOnce(L"    "));
    // A stop requested before the cycle asks no server at all.
    std::atomic<std::int32_t> running{0};
    EXPECT_FALSE(SynchronizeOnce(L"127.0.0.1", &running));
}
