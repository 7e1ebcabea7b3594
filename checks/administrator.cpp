#include "checks/administrator.h"

#include "app/diagnostic_log.h"

bool IsAdminCheckEnabled(const StringTable& strings)
{
    return strings.Load(StringId::kAdminCheck) != L"0";
}

// Placeholder until the checks issue lands: membership is not checked.
bool IsUserAdministrator()
{
    LogText(L"IsUserAdministrator is not built yet: membership not checked\n");
    return true;
}
