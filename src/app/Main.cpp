#include "platform/ModuleInstance.h"
#include "app/Roles.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_moduleInstance = instance;
    return RunProgram();
}
