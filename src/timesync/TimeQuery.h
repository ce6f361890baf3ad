// RFC 868 time query and setting the system clock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr int kTimePort = 37;

// Seconds since 1900 (the server's count) to Unix time, modulo 2^32.
std::int32_t ServerValueToUnixTime(std::uint32_t serverValue);

// UTC calendar fields of a Unix time, milliseconds 0. False for a negative
// time, which has no calendar date here.
bool UnixTimeToSystemTime(std::int32_t unixTime, SYSTEMTIME& out);

// Asks one server for the time. Returns the Unix time, or -1 when the server
// could not be reached, did not send 4 bytes in time, or sent a time before 1970.
std::int32_t QueryServerTime(const std::wstring& host);

// Sets the system clock; on failure writes "Couldn't set time! :-(" to stderr.
// Returns whether the clock was set.
bool SetClockFromUnixTime(std::int32_t unixTime);
