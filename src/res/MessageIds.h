// Ids of the messages in the event source's message table (Messages.mc): what
// the service and the installation write to the event log. The inserts of
// each, "%1" and on, are named beside it.
#pragma once

#include <windows.h>

constexpr DWORD kMessageServiceInstalled = 100;   // display name
constexpr DWORD kMessageServiceRemoved = 101;     // display name
constexpr DWORD kMessageServiceNotRemoved = 102;  // display name
constexpr DWORD kMessageNoControlHandler = 103;
constexpr DWORD kMessageInitializationFailed = 104;
constexpr DWORD kMessageServiceStarted = 105;
constexpr DWORD kMessageServiceStopped = 108;
constexpr DWORD kMessageSettings = 109;         // servers, their key, interval, its key
constexpr DWORD kMessageClockSet = 110;         // server, correction, precision
constexpr DWORD kMessageClockAgrees = 111;      // server, how far off, precision
constexpr DWORD kMessageNoAnswer = 112;         // when the next attempt is due
constexpr DWORD kMessageAnswerRefused = 113;    // server, the time it said, next attempt
constexpr DWORD kMessageClockNotSet = 114;      // server, the system's text, error number
constexpr DWORD kMessageNetworkNotReady = 115;  // next attempt
