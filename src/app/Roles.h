// The roles of the executable and the preparation that comes before them.
#pragma once

#include <windows.h>

// Initialises the common controls; false ends the process with exit code 0.
bool PrepareCommonControls();

// Runs the service under the service control manager; returns its exit code.
DWORD RunServiceRole();
// Removes the installed service after a confirmation; returns 0.
int RunUninstallRole();
// Shows the configuration dialog and installs the service on OK; returns 0.
int RunConfigurationRole();

// The whole start-up after the module instance is stored: returns the exit code.
int RunProgram();
