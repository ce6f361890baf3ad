#include "platform/DllSearch.h"
#include "platform/ModuleInstance.h"
#include "app/Roles.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Before any library is loaded by name: the program runs elevated, and its
    // own folder may be one where anybody can leave a DLL. A system that can do
    // neither restriction still gets version.dll by its full path.
    RestrictDllSearch();
    g_moduleInstance = instance;
    return RunProgram();
}
