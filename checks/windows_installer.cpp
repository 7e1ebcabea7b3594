#include "checks/windows_installer.h"

#include "app/diagnostic_log.h"

// Placeholder until the checks issue lands: the engine is not checked.
bool CheckWindowsInstaller()
{
    LogText(L"CheckWindowsInstaller is not built yet: Windows Installer not checked\n");
    return true;
}
