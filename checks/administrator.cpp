#include "checks/administrator.h"

#include "checks/machine_facts.h"

bool IsAdminCheckEnabled(const StringTable& strings)
{
    return strings.Load(StringId::kAdminCheck) != L"0";
}

bool IsUserAdministrator(const MachineFacts& machine)
{
    return machine.AdministratorsMembership() == 1;
}
