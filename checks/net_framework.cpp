#include "checks/net_framework.h"

#include "app/diagnostic_log.h"

// Placeholder until the checks issue lands: nothing is detected.
bool CheckNetFramework(CVelloxInstallerApp&)
{
    LogText(L"CheckNetFramework is not built yet: .NET Framework not checked\n");
    return true;
}
