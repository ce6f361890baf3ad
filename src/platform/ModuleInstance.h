// The module instance handle the program was started with.
#pragma once

#include <windows.h>

// Set by WinMain before anything else runs; resources are loaded through it.
extern HINSTANCE g_moduleInstance;
