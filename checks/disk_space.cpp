#include "checks/disk_space.h"

#include "app/diagnostic_log.h"

// Placeholder until the checks issue lands: free space is not measured.
bool CheckFreeDiskSpace(CVelloxInstallerApp&)
{
    LogText(L"CheckFreeDiskSpace is not built yet: free disk space not checked\n");
    return true;
}
