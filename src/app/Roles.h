// The roles of the executable and the preparation that comes before them.
#pragma once

#include <windows.h>

// The common-control classes to initialise: 0x7FF, and the link class (0x87FF)
// when ComCtl32 is version 6 or later.
DWORD CommonControlClasses(bool comCtl6OrLater);

// Initialises the common controls, first registering the program's own
// "SysLink" class where ComCtl32 lacks one; false ends the process with 0.
bool PrepareCommonControls();

// Runs the service under the service control manager; returns its exit code.
DWORD RunServiceRole();
// Removes the installed service after a confirmation, and says so when that
// fails; returns 0.
int RunUninstallRole();
// Shows the configuration dialog and installs the service on OK, and says so
// when that fails; returns 0.
int RunConfigurationRole();

// The whole start-up after the module instance is stored: returns the exit code.
int RunProgram();
