// RFC 868 time query and setting the system clock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr int kTimePort = 37;

// The Unix time a server's 32-bit count of seconds since 1900 stands for, in
// the era that keeps it current: counts of 2^31 and above are 1968-01-20 to
// 2036-02-07, counts below 2^31 are 2036-02-07 to 2104-02-26 (after the count
// wrapped). Times before 1970 come out negative.
std::int64_t ServerValueToUnixTime(std::uint32_t serverValue);

// How long the connection took to be established (one round trip) and when
// the answer's fourth byte arrived, in performance-counter ticks.
struct AnswerTiming {
    std::int64_t connectTicks = 0;
    std::int64_t receivedAt = 0;
};

// The time to set, in milliseconds since 1970: RFC 868 cuts the server's time
// down to whole seconds, so the estimate is the middle of that second, plus
// half the connection's round trip, plus what has passed since the answer.
std::int64_t EstimateUnixMilliseconds(std::int64_t unixTime, std::int64_t connectTicks, std::int64_t ticksSinceAnswer,
                                      std::int64_t ticksPerSecond);

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

// Whether the clock, reading `clockMs`, already agrees with an estimate of
// `estimateMs` made over a connection whose round trip took `roundTripMs`:
// they differ by no more than the estimate's own uncertainty, half a second
// (the answer is cut to whole seconds) plus half the round trip. Setting such
// a clock would only move it by noise, and perhaps backwards.
bool ClockAgrees(std::int64_t estimateMs, std::int64_t clockMs, std::int64_t roundTripMs);

// What setting the clock came to.
struct ClockSetting {
    std::int64_t correctionMs = 0;  // how far the clock was to move
    bool alreadyRight = false;      // it agreed with the answer and was left alone
    DWORD error = ERROR_SUCCESS;    // the system's error when it was not set
};

// Sets the system clock from an answer unless it already agrees with it; when
// setting fails, writes "Couldn't set time! :-(" to stderr. Returns whether
// the clock was set; `setting`, when given, receives the correction, whether
// the clock was already right, and the error.
bool SetClockFromUnixTime(std::int64_t unixTime, const AnswerTiming& timing, ClockSetting* setting = nullptr);
