// RFC 868 time query and setting the system clock.
#pragma once

#include "timesync/OffsetWindow.h"
#include "timesync/TimeServerConnection.h"

#include <windows.h>

#include <cstdint>
#include <string>

constexpr int kTimePort = 37;

// The Unix time a server's 32-bit count of seconds since 1900 stands for, in
// the era that keeps it current: counts of 2^31 and above are 1968-01-20 to
// 2036-02-07, counts below 2^31 are 2036-02-07 to 2104-02-26 (after the count
// wrapped). Times before 1970 come out negative.
std::int64_t ServerValueToUnixTime(std::uint32_t serverValue);

// When the answer's connection began and to which address (see Peer), and
// when its fourth byte arrived (LocalMicroseconds).
struct AnswerTiming {
    Peer peer;
    std::int64_t receivedUs = 0;
};

// Milliseconds since 1970 of a FILETIME (100 ns units since 1601).
std::int64_t FileTimeToUnixMilliseconds(const FILETIME& time);

// UTC calendar fields of a time in milliseconds since 1970. False before 1970.
bool UnixMillisecondsToSystemTime(std::int64_t unixMs, SYSTEMTIME& out);

// Asks one server for the time. Returns the Unix time in whole seconds, or -1
// when the server could not be reached, did not send all 4 bytes within
// kReceiveTimeoutMs of the connection, or sent a time before 1970. `timing`,
// when given, receives the answer's timing. A set `stopEvent` cuts every wait
// short (see ConnectToHost).
std::int64_t QueryServerTime(const std::wstring& host, AnswerTiming* timing = nullptr, HANDLE stopEvent = nullptr);

// Asks again the address that `timing.peer` names, as QueryServerTime does,
// and updates `timing`.
std::int64_t QueryPeerTime(AnswerTiming& timing, HANDLE stopEvent = nullptr);

// What setting the clock came to.
struct ClockSetting {
    std::int64_t correctionMs = 0;  // how far the clock was to move
    std::int64_t precisionMs = 0;   // how far the time set may be off, half the window, rounded up
    bool alreadyRight = false;      // it lay inside the window and was left alone
    DWORD error = ERROR_SUCCESS;    // the system's error when it was not set
};

// Sets the system clock to the middle of `window` (server minus
// LocalMicroseconds) unless it already lies inside it; when setting fails, writes "Couldn't set
// time! :-(" to stderr. Returns whether the clock was set; `setting`, when
// given, receives the correction, the precision, whether the clock was
// already right, and the error.
bool SetClockFromWindow(const OffsetWindow& window, ClockSetting* setting = nullptr);
