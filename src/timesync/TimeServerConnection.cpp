#include "timesync/TimeServerConnection.h"

#include "platform/ProcAddress.h"
#include "text/TextConvert.h"

#include <ws2tcpip.h>

#include <cstring>

namespace {

using GetAddrInfoFn = int(WSAAPI*)(const char*, const char*, const addrinfo*, addrinfo**);
using FreeAddrInfoFn = void(WSAAPI*)(addrinfo*);

GetAddrInfoFn cachedGetAddrInfo = nullptr;
bool getAddrInfoHidden = false;

GetAddrInfoFn LookUpGetAddrInfo()
{
    if (getAddrInfoHidden) {
        return nullptr;
    }
    if (cachedGetAddrInfo == nullptr) {
        // Only a module the process already has: the lookup must not load it.
        cachedGetAddrInfo = ProcAddress<GetAddrInfoFn>(::GetModuleHandleW(L"WS2_32.dll"), "getaddrinfo");
    }
    return cachedGetAddrInfo;
}

// freeaddrinfo comes from the same module as getaddrinfo, so it is looked up
// beside it rather than imported (a system without one lacks the other).
void FreeAddressList(addrinfo* list)
{
    if (const auto freeList = ProcAddress<FreeAddrInfoFn>(::GetModuleHandleW(L"WS2_32.dll"), "freeaddrinfo")) {
        freeList(list);
    }
}

// A blocking connect can hang for minutes on an unreachable server; connect
// without blocking and give the attempt kConnectTimeoutMs to complete.
bool ConnectWithTimeout(SOCKET s, const sockaddr* address, int length, std::int64_t* connectTicks)
{
    const std::int64_t started = PerformanceCount();
    u_long nonBlocking = 1;
    if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        return false;
    }
    if (::connect(s, address, length) == SOCKET_ERROR) {
        if (::WSAGetLastError() != WSAEWOULDBLOCK) {
            return false;
        }
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval limit{static_cast<long>(kConnectTimeoutMs / 1000), static_cast<long>(kConnectTimeoutMs % 1000) * 1000};
        if (::select(0, nullptr, &writable, &failed, &limit) <= 0 || FD_ISSET(s, &failed) || !FD_ISSET(s, &writable)) {
            return false;
        }
        int error = 0;
        int errorSize = sizeof(error);
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &errorSize) != 0 || error != 0) {
            return false;
        }
    }
    if (connectTicks != nullptr) {
        *connectTicks = PerformanceCount() - started;
    }
    u_long blocking = 0;
    return ::ioctlsocket(s, FIONBIO, &blocking) == 0;
}

}  // namespace

std::int64_t PerformanceCount()
{
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

void* CachedGetAddrInfo()
{
    return reinterpret_cast<void*>(cachedGetAddrInfo);
}

void HideGetAddrInfoForTest(bool hide)
{
    getAddrInfoHidden = hide;
}

SOCKET ConnectToHost(const std::wstring& host, int port, int socketType, std::int64_t* connectTicks)
{
    const GetAddrInfoFn getAddrInfo = LookUpGetAddrInfo();
    const std::string hostText = ToUtf8(host);

    if (getAddrInfo != nullptr) {
        char portText[10];
        if (UnsignedToText(static_cast<std::uint32_t>(port), portText, sizeof(portText), 10) != 0) {
            return INVALID_SOCKET;
        }
        addrinfo* list = nullptr;
        if (getAddrInfo(hostText.c_str(), portText, nullptr, &list) != 0 || list == nullptr) {
            return INVALID_SOCKET;
        }
        // Only the first entry is tried, in whatever family it has.
        UniqueSocket s(::socket(list->ai_family, socketType, 0));
        const bool connected = s && ConnectWithTimeout(s.Get(), list->ai_addr, static_cast<int>(list->ai_addrlen), connectTicks);
        FreeAddressList(list);
        return connected ? s.Release() : INVALID_SOCKET;
    }

    UniqueSocket s(::socket(AF_INET, socketType, 0));
    if (!s) {
        return INVALID_SOCKET;
    }
    sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = ::htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = ::inet_addr(hostText.c_str());
    if (address.sin_addr.s_addr == 0 || address.sin_addr.s_addr == INADDR_NONE) {
        const hostent* entry = ::gethostbyname(hostText.c_str());
        if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr ||
            entry->h_length != sizeof(address.sin_addr)) {
            return INVALID_SOCKET;
        }
        std::memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof(address.sin_addr));
    }
    if (!ConnectWithTimeout(s.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address), connectTicks)) {
        return INVALID_SOCKET;
    }
    return s.Release();
}
