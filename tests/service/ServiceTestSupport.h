// What the installation tests share: running programs, watching the service
// control manager and clearing away what an installation leaves behind.
#pragma once

#include <windows.h>

#include <string>

// Windows form of a host path as Wine maps it (drive Z: is the host's root).
std::wstring HostPathToWindows(const char* hostPath);

// Runs a command line and waits for it; its exit code, or -1 when it could not
// start or did not end in time (it is then killed).
int RunAndWait(const std::wstring& commandLine, DWORD timeoutMilliseconds = 60000);

// "\"" + path + "\"" followed by the arguments.
std::wstring CommandLine(const std::wstring& program, const std::wstring& arguments);

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
