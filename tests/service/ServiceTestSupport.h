// What the installation tests share: running programs, watching the service
// control manager and clearing away what an installation leaves behind.
#pragma once

#include <windows.h>

#include "ProcessSupport.h"

#include <string>

bool ServiceExists(const wchar_t* serviceName);
// Polls until the service is gone from the service control manager.
bool WaitForServiceGone(const wchar_t* serviceName, DWORD timeoutMilliseconds);
// Polls until the service reports `state`.
bool WaitForServiceState(const wchar_t* serviceName, DWORD state, DWORD timeoutMilliseconds);

bool KeyExists(const std::wstring& path);

// Stops and deletes vmhoralsvc when it is there, waits until it is gone, and
// deletes the record, its event sources and its service key.
void PurgeHoralService();

// Display name under which the tests register a service by hand, so that the
// installed name differs from the built-in one.
constexpr wchar_t kStoredDisplayName[] = L"Horal Stored Name";
