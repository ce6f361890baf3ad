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

// The addresses of one name that will be tried, in the resolver's order.
struct AddressList {
    sockaddr_storage addresses[kMaxAddresses] = {};
    int lengths[kMaxAddresses] = {};
    int count = 0;

    void Add(const void* address, std::size_t length)
    {
        if (count < kMaxAddresses && length <= sizeof(addresses[count])) {
            std::memcpy(&addresses[count], address, length);
            lengths[count++] = static_cast<int>(length);
        }
    }

    void AddIpv4(in_addr host, int port)
    {
        sockaddr_in address;
        std::memset(&address, 0, sizeof(address));
        address.sin_family = AF_INET;
        address.sin_port = ::htons(static_cast<u_short>(port));
        address.sin_addr = host;
        Add(&address, sizeof(address));
    }
};

// One connection attempt, without blocking: Ready when the connection is
// made; TimedOut when it is refused or not made within `timeoutMs`; Stopped
// at once on a stop. `startedUs` receives when the attempt began.
Waited ConnectWithin(SOCKET s, const sockaddr* address, int length, DWORD timeoutMs, HANDLE stopEvent,
                     std::int64_t& startedUs)
{
    {  // the socket is untied from its event before it is made blocking again
        SocketEvents connected(s, FD_CONNECT);
        if (!connected.tied) {
            return Waited::TimedOut;
        }
        startedUs = LocalMicroseconds();
        if (::connect(s, address, length) == SOCKET_ERROR) {
            if (::WSAGetLastError() != WSAEWOULDBLOCK) {
                return Waited::TimedOut;
            }
            const Waited waited = WaitOrStop(connected.event.Get(), stopEvent, timeoutMs);
            WSANETWORKEVENTS happened{};
            if (waited != Waited::Ready) {
                return waited;
            }
            if (::WSAEnumNetworkEvents(s, connected.event.Get(), &happened) != 0 ||
                (happened.lNetworkEvents & FD_CONNECT) == 0 || happened.iErrorCode[FD_CONNECT_BIT] != 0) {
                return Waited::TimedOut;
            }
        }
    }
    // Handed over as a plain blocking socket, as it was made.
    u_long blocking = 0;
    return ::ioctlsocket(s, FIONBIO, &blocking) == 0 ? Waited::Ready : Waited::TimedOut;
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
    int socketType = 0;
    AddressList found;

    void Release()
    {
        if (--holders == 0) {
            delete this;
        }
    }
};

// The first addresses of `lookup.host`, in the resolver's order: from
// getaddrinfo where the system has it, in whatever family each has, else
// from gethostbyname.
void Resolve(Lookup& lookup)
{
    if (lookup.getAddrInfo != nullptr) {
        // Of the caller's socket type only: each address comes back once, not
        // once per protocol.
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = lookup.socketType;
        addrinfo* list = nullptr;
        if (lookup.getAddrInfo(lookup.host.c_str(), lookup.port, &hints, &list) != 0 || list == nullptr) {
            return;
        }
        for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
            lookup.found.Add(entry->ai_addr, entry->ai_addrlen);
        }
        FreeAddressList(list);
        return;
    }
    // The host entry is the calling thread's own, so it is read here.
    const hostent* entry = ::gethostbyname(lookup.host.c_str());
    if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_length != sizeof(in_addr)) {
        return;
    }
    for (char** address = entry->h_addr_list; *address != nullptr; ++address) {
        in_addr host;
        std::memcpy(&host, *address, sizeof(host));
        lookup.found.AddIpv4(host, lookup.portNumber);
    }
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
bool ResolveWithin(GetAddrInfoFn getAddrInfo, const std::string& host, int port, int socketType, HANDLE stopEvent,
                   AddressList& found)
{
    auto* lookup = new (std::nothrow) Lookup;
    if (lookup == nullptr) {
        return false;
    }
    lookup->getAddrInfo = getAddrInfo;
    lookup->host = host;
    lookup->portNumber = port;
    lookup->socketType = socketType;
    UniqueKernelHandle thread;
    if (UnsignedToText(static_cast<std::uint32_t>(port), lookup->port, sizeof(lookup->port), 10) == 0) {
        thread.Reset(::CreateThread(nullptr, 0, RunLookup, lookup, 0, nullptr));
    }
    if (!thread) {
        delete lookup;
        return false;
    }
    const bool resolved =
        WaitOrStop(thread.Get(), stopEvent, kLookupTimeoutMs) == Waited::Ready && lookup->found.count > 0;
    if (resolved) {
        found = lookup->found;
    }
    lookup->Release();
    return resolved;
}

// A socket of `socketType` connected to `address` within `timeoutMs`, or
// INVALID_SOCKET; Stopped tells a stop apart from other failures.
UniqueSocket ConnectOne(const sockaddr* address, int length, int socketType, DWORD timeoutMs, HANDLE stopEvent,
                        std::int64_t& startedUs, Waited& waited)
{
    UniqueSocket s(::socket(address->sa_family, socketType, 0));
    waited = s ? ConnectWithin(s.Get(), address, length, timeoutMs, stopEvent, startedUs) : Waited::TimedOut;
    if (waited != Waited::Ready) {
        s.Reset();
    }
    return s;
}

}  // namespace

void* CachedGetAddrInfo()
{
    return reinterpret_cast<void*>(cachedGetAddrInfo);
}

void HideGetAddrInfoForTest(bool hide)
{
    getAddrInfoHidden = hide;
}

SOCKET ConnectToPeer(Peer& peer, int socketType, HANDLE stopEvent)
{
    Waited waited = Waited::TimedOut;
    return ConnectOne(reinterpret_cast<const sockaddr*>(&peer.address), peer.length, socketType, kConnectTimeoutMs,
                      stopEvent, peer.startedUs, waited)
        .Release();
}

SOCKET ConnectToHost(const std::wstring& host, int port, int socketType, Peer* peer, HANDLE stopEvent)
{
    const GetAddrInfoFn getAddrInfo = LookUpGetAddrInfo();
    const std::string hostText = ToUtf8(host);
    AddressList found;
    in_addr dotted;
    dotted.s_addr = ::inet_addr(hostText.c_str());
    // Without getaddrinfo a dotted IPv4 address needs no lookup; 0.0.0.0 and
    // 255.255.255.255 read like a name that failed and go to gethostbyname.
    if (getAddrInfo == nullptr && dotted.s_addr != 0 && dotted.s_addr != INADDR_NONE) {
        found.AddIpv4(dotted, port);
    } else if (!ResolveWithin(getAddrInfo, hostText, port, socketType, stopEvent, found)) {
        return INVALID_SOCKET;
    }
    // A name whose first addresses lead nowhere (a broken IPv6 path, say)
    // still reaches its server at a later one; the attempts share one budget.
    const std::uint64_t deadline = ::GetTickCount64() + kConnectBudgetMs;
    for (int i = 0; i < found.count; ++i) {
        const DWORD left = MillisecondsUntil(deadline, ::GetTickCount64());
        if (left == 0) {
            break;
        }
        const auto* address = reinterpret_cast<const sockaddr*>(&found.addresses[i]);
        std::int64_t startedUs = 0;
        Waited connected = Waited::TimedOut;
        UniqueSocket s =
            ConnectOne(address, found.lengths[i], socketType, left < kConnectTimeoutMs ? left : kConnectTimeoutMs,
                       stopEvent, startedUs, connected);
        if (s) {
            if (peer != nullptr) {
                std::memcpy(&peer->address, address, static_cast<std::size_t>(found.lengths[i]));
                peer->length = found.lengths[i];
                peer->startedUs = startedUs;
            }
            return s.Release();
        }
        if (connected == Waited::Stopped) {
            break;
        }
    }
    return INVALID_SOCKET;
}
