// Events written through a registered event source, for Event Viewer and the
// tools that watch the event log.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One event: its level (EVENTLOG_INFORMATION_TYPE, _WARNING_TYPE or
// _ERROR_TYPE), the id of its text in the source's message table, and the
// texts that fill the message's "%1", "%2", ...
struct EventRecord {
    WORD type = EVENTLOG_INFORMATION_TYPE;
    DWORD id = 0;
    std::vector<std::wstring> inserts;
};

// Writes `event` through `source` (from RegisterEventSourceW); false when the
// log did not take it.
bool WriteEvent(HANDLE source, const EventRecord& event);
