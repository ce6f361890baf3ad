// Placeholder until installation and removal are written.
#include "service/StringResource.h"
#include "service/TimeService.h"

std::wstring LoadStringResource(HINSTANCE, UINT)
{
    return std::wstring();
}

bool ServiceBase::RegisterService()
{
    return false;
}

bool ServiceBase::StartInstalledService()
{
    return false;
}

bool ServiceBase::Install()
{
    return false;
}

bool ServiceBase::Uninstall()
{
    return false;
}

bool TimeService::Install()
{
    return false;
}

bool TimeService::Uninstall()
{
    return false;
}
