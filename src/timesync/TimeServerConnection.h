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

// Resolves `host` (name or dotted IPv4 address) and connects a socket of
// `socketType` to `port`, trying the name's addresses in turn until one
// connects. Returns the connected socket, owned by the caller, or
// INVALID_SOCKET. Needs a ready WinsockScope. `connectTicks`, when given,
// receives how long the connection took to be established, resolution not
// included, in performance-counter ticks. A name lookup is given up after
// kLookupTimeoutMs, and every wait at once when `stopEvent` (when given) is
// set; the event is left set for whoever waits on it next.
SOCKET ConnectToHost(const std::wstring& host, int port, int socketType, std::int64_t* connectTicks = nullptr,
                     HANDLE stopEvent = nullptr);

// The getaddrinfo entry point as cached by the last lookup (null before).
void* CachedGetAddrInfo();

// Makes ConnectToHost behave as on a system whose Winsock lacks getaddrinfo,
// so that the IPv4 fallback can be exercised on a current system.
void HideGetAddrInfoForTest(bool hide);
