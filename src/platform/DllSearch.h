// Where the program's libraries come from. The executable runs elevated
// wherever it is started, also from a folder anybody can drop files into (a
// Downloads folder); a library found there would run with those rights.
#pragma once

#include "platform/Handles.h"

#include <windows.h>

// Limits later library loads to the system folder (SetDefaultDllDirectories,
// where the system has it), elsewhere at least takes the current folder out of
// the search, and keeps the system's uxtheme.dll loaded for the common
// controls. Called first thing, before anything loads a library. False when
// the search could not be limited.
bool RestrictDllSearch();

// The library `fileName` ("version.dll") from the system folder, by its full
// path, so that no other copy of it is taken; empty when it cannot be loaded.
UniqueLibrary LoadSystemLibrary(const wchar_t* fileName);
