#include "platform/EventLog.h"

bool WriteEvent(HANDLE source, const EventRecord& event)
{
    std::vector<const wchar_t*> strings;
    for (const std::wstring& insert : event.inserts) {
        strings.push_back(insert.c_str());
    }
    return ::ReportEventW(source, event.type, 0, event.id, nullptr, static_cast<WORD>(strings.size()), 0,
                          strings.empty() ? nullptr : strings.data(), nullptr) != FALSE;
}
