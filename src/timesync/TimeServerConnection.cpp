#include "timesync/TimeServerConnection.h"

#include "platform/ProcAddress.h"
#include "text/TextConvert.h"

#include <ws2tcpip.h>

#include <atomic>
#include <cstring>
#include <new>

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

// Fills `out` with an IPv4 address and port; returns its length.
int Ipv4Address(in_addr host, int port, sockaddr_storage& out)
{
    sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = ::htons(static_cast<u_short>(port));
    address.sin_addr = host;
    std::memcpy(&out, &address, sizeof(address));
    return sizeof(address);
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

// One name lookup, shared by the thread that does it and the caller that
// waits for it. The caller gives up on a resolver that does not answer and
// goes on, so the record lives on the heap, and whichever of the two lets go
// of it last frees it.
struct Lookup {
    std::atomic<int> holders{2};
    GetAddrInfoFn getAddrInfo = nullptr;  // null: the IPv4 fallback
    std::string host;
    char port[10] = {};
    int portNumber = 0;
    sockaddr_storage address{};
    int length = 0;  // of `address`; 0 while nothing is resolved

    void Release()
    {
        if (--holders == 0) {
            delete this;
        }
    }
};

// The first address of `lookup.host`: from getaddrinfo where the system has
// it, in whatever family that entry has, else from gethostbyname.
void Resolve(Lookup& lookup)
{
    if (lookup.getAddrInfo != nullptr) {
        addrinfo* list = nullptr;
        if (lookup.getAddrInfo(lookup.host.c_str(), lookup.port, nullptr, &list) != 0 || list == nullptr) {
            return;
        }
        if (list->ai_addrlen <= sizeof(lookup.address)) {
            std::memcpy(&lookup.address, list->ai_addr, list->ai_addrlen);
            lookup.length = static_cast<int>(list->ai_addrlen);
        }
        FreeAddressList(list);
        return;
    }
    // The host entry is the calling thread's own, so it is read here.
    const hostent* entry = ::gethostbyname(lookup.host.c_str());
    if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr ||
        entry->h_length != sizeof(in_addr)) {
        return;
    }
    in_addr first;
    std::memcpy(&first, entry->h_addr_list[0], sizeof(first));
    lookup.length = Ipv4Address(first, lookup.portNumber, lookup.address);
}

DWORD WINAPI RunLookup(void* parameter)
{
    auto* lookup = static_cast<Lookup*>(parameter);
    {
        // A Winsock reference of its own: the cycle that asked may end first.
        WinsockScope winsock;
        if (winsock.ready) {
            Resolve(*lookup);
        }
    }
    lookup->Release();
    return 0;
}

// Resolves `host` on a thread of its own and waits for it at most
// kLookupTimeoutMs, or until `stopEvent` is set. A resolver that never answers
// would otherwise hold the cycle, and a stop, until the system gives up. A
// lookup given up on finishes on its own and frees what it holds.
bool ResolveWithin(GetAddrInfoFn getAddrInfo, const std::string& host, int port, HANDLE stopEvent,
                   sockaddr_storage& address, int& length)
{
    auto* lookup = new (std::nothrow) Lookup;
    if (lookup == nullptr) {
        return false;
    }
    lookup->getAddrInfo = getAddrInfo;
    lookup->host = host;
    lookup->portNumber = port;
    UniqueKernelHandle thread;
    if (UnsignedToText(static_cast<std::uint32_t>(port), lookup->port, sizeof(lookup->port), 10) == 0) {
        thread.Reset(::CreateThread(nullptr, 0, RunLookup, lookup, 0, nullptr));
    }
    if (!thread) {
        delete lookup;
        return false;
    }
    const HANDLE waits[] = {thread.Get(), stopEvent};
    const DWORD waited = ::WaitForMultipleObjects(stopEvent != nullptr ? 2 : 1, waits, FALSE, kLookupTimeoutMs);
    if (waited == WAIT_OBJECT_0 + 1) {
        // The wait took the stop from the auto-reset event; the wait between
        // cycles must still see it.
        ::SetEvent(stopEvent);
    }
    const bool resolved = waited == WAIT_OBJECT_0 && lookup->length > 0;
    if (resolved) {
        address = lookup->address;
        length = lookup->length;
    }
    lookup->Release();
    return resolved;
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

SOCKET ConnectToHost(const std::wstring& host, int port, int socketType, std::int64_t* connectTicks, HANDLE stopEvent)
{
    const GetAddrInfoFn getAddrInfo = LookUpGetAddrInfo();
    const std::string hostText = ToUtf8(host);
    sockaddr_storage address{};
    int length = 0;
    in_addr dotted;
    dotted.s_addr = ::inet_addr(hostText.c_str());
    // Without getaddrinfo a dotted IPv4 address needs no lookup; 0.0.0.0 and
    // 255.255.255.255 read like a name that failed and go to gethostbyname.
    if (getAddrInfo == nullptr && dotted.s_addr != 0 && dotted.s_addr != INADDR_NONE) {
        length = Ipv4Address(dotted, port, address);
    } else if (!ResolveWithin(getAddrInfo, hostText, port, stopEvent, address, length)) {
        return INVALID_SOCKET;
    }
    UniqueSocket s(::socket(address.ss_family, socketType, 0));
    if (!s || !ConnectWithTimeout(s.Get(), reinterpret_cast<const sockaddr*>(&address), length, connectTicks)) {
        return INVALID_SOCKET;
    }
    return s.Release();
}
