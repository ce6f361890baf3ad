// Resolving and connecting to a time server.
#pragma once

#include "platform/Handles.h"
#include "timesync/Waits.h"

#include <cstdint>
#include <string>

// How long a name lookup, a connection attempt to one address, the attempts
// to all addresses of one name together, and the whole answer may take before
// the server counts as not answering. At most kMaxAddresses addresses of a
// name are tried, in the resolver's order.
constexpr DWORD kLookupTimeoutMs = 5000;
constexpr DWORD kConnectTimeoutMs = 5000;
constexpr DWORD kConnectBudgetMs = 10000;
constexpr int kMaxAddresses = 4;
constexpr DWORD kReceiveTimeoutMs = 5000;

// The address a connection was made to, and when its attempt began
// (LocalMicroseconds, resolution not included).
struct Peer {
    sockaddr_storage address{};
    int length = 0;
    std::int64_t startedUs = 0;
};

// Resolves `host` (name or dotted IPv4 address) and connects a socket of
// `socketType` to `port`, trying the name's addresses in turn until one
// connects. Returns the connected socket, owned by the caller, or
// INVALID_SOCKET. Needs a ready WinsockScope. `peer`, when given, receives the
// address connected to and when that attempt began. A name lookup is given up
// after kLookupTimeoutMs, and every wait at once when `stopEvent` (when given)
// is set; the event is left set for whoever waits on it next.
SOCKET ConnectToHost(const std::wstring& host, int port, int socketType, Peer* peer = nullptr,
                     HANDLE stopEvent = nullptr);

// Connects again to the address of an earlier connection, not to its name,
// whose addresses may be other machines; `peer.startedUs` becomes this
// attempt's start. Bounded and stopped as ConnectToHost.
SOCKET ConnectToPeer(Peer& peer, int socketType, HANDLE stopEvent = nullptr);

// The getaddrinfo entry point as cached by the last lookup (null before).
void* CachedGetAddrInfo();

// Makes ConnectToHost behave as on a system whose Winsock lacks getaddrinfo,
// so that the IPv4 fallback can be exercised on a current system.
void HideGetAddrInfoForTest(bool hide);
