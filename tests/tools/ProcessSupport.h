// Starting helper programs from a test running under Wine.
#pragma once

#include <windows.h>

#include <string>

// A host path ("/work/...") as Wine's Z: drive sees it.
std::wstring HostPathToWindows(const char* hostPath);

// The quoted program followed by its arguments.
std::wstring CommandLine(const std::wstring& program, const std::wstring& arguments);

// Runs a command line and returns its exit code; -1 when it could not start or
// did not end in time (it is then terminated).
int RunAndWait(const std::wstring& commandLine, DWORD timeoutMilliseconds = 60000);
