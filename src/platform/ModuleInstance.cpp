#include "platform/ModuleInstance.h"

HINSTANCE g_moduleInstance = nullptr;
