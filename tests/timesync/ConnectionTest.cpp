#include "timesync/TimeServerConnection.h"

#include <gtest/gtest.h>
#include <ws2tcpip.h>

namespace {

// A listener of our own on 127.0.0.1 and, where the system has IPv6, on ::1 at
// the same port, so that "localhost" reaches it whichever family resolves first.
class LocalListener {
public:
    LocalListener()
    {
        v4.Reset(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        ::bind(v4.Get(), reinterpret_cast<sockaddr*>(&a), sizeof(a));
        int size = sizeof(a);
        ::getsockname(v4.Get(), reinterpret_cast<sockaddr*>(&a), &size);
        port = ::ntohs(a.sin_port);
        ::listen(v4.Get(), 8);
        v6.Reset(::socket(AF_INET6, SOCK_STREAM, 0));
        sockaddr_in6 b{};
        b.sin6_family = AF_INET6;
        b.sin6_addr = in6addr_loopback;
        b.sin6_port = ::htons(static_cast<u_short>(port));
        if (v6 && ::bind(v6.Get(), reinterpret_cast<sockaddr*>(&b), sizeof(b)) == 0) {
            ::listen(v6.Get(), 8);
        }
    }
    UniqueSocket v4;
    UniqueSocket v6;
    int port = 0;
};

class Connection : public ::testing::Test {
protected:
    void TearDown() override { HideGetAddrInfoForTest(false); }
    WinsockScope winsock;
};

DWORD HandleCount()
{
    DWORD count = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &count);
    return count;
}

}  // namespace

TEST(WinsockScopeVersion, OnlyExactly22IsAccepted)
{
    EXPECT_TRUE(WinsockScope::IsAcceptedVersion(MAKEWORD(2, 2)));
    EXPECT_FALSE(WinsockScope::IsAcceptedVersion(MAKEWORD(2, 0)));
    EXPECT_FALSE(WinsockScope::IsAcceptedVersion(MAKEWORD(1, 1)));
    EXPECT_FALSE(WinsockScope::IsAcceptedVersion(MAKEWORD(2, 1)));
    WinsockScope scope;
    EXPECT_TRUE(scope.ready);
}

TEST_F(Connection, ResolverComesFromTheLoadedWinsockModule)
{
    ASSERT_TRUE(winsock.ready);
    UniqueSocket s(ConnectToHost(L"127.0.0.4", 37, SOCK_STREAM));
    EXPECT_TRUE(s);
    void* expected = reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"WS2_32.dll"), "getaddrinfo"));
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(CachedGetAddrInfo(), expected);
}

TEST_F(Connection, LiteralAndLocalhostConnectOnBothResolverPaths)
{
    LocalListener listener;
    ASSERT_NE(listener.port, 0);
    for (bool hidden : {false, true}) {
        HideGetAddrInfoForTest(hidden);
        UniqueSocket literal(ConnectToHost(L"127.0.0.1", listener.port, SOCK_STREAM));
        EXPECT_TRUE(literal) << "fallback " << hidden;
        UniqueSocket name(ConnectToHost(L"localhost", listener.port, SOCK_STREAM));
        EXPECT_TRUE(name) << "fallback " << hidden;
        // The fallback resolves names it cannot read as an address by gethostbyname.
        EXPECT_EQ(ConnectToHost(L"no-such-host.invalid", listener.port, SOCK_STREAM), INVALID_SOCKET);
    }
}

TEST_F(Connection, RefusedConnectionsFailAndLeakNoSocket)
{
    // Nothing listens on 127.0.0.12:37.
    for (bool hidden : {false, true}) {
        HideGetAddrInfoForTest(hidden);
        EXPECT_EQ(ConnectToHost(L"127.0.0.12", 37, SOCK_STREAM), INVALID_SOCKET);
        const DWORD before = HandleCount();
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(ConnectToHost(L"127.0.0.12", 37, SOCK_STREAM), INVALID_SOCKET);
        }
        EXPECT_LE(HandleCount(), before + 2) << "sockets of failed connects must be closed";
    }
}

TEST_F(Connection, ConnectThatNeverCompletesIsBounded)
{
    // 127.0.0.9 listens with a full backlog and never accepts.
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(ConnectToHost(L"127.0.0.9", 37, SOCK_STREAM), INVALID_SOCKET);
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_GE(elapsed, kConnectTimeoutMs - 200);
    EXPECT_LT(elapsed, kConnectTimeoutMs + 3000);
}
