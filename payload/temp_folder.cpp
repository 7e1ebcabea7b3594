#include "payload/temp_folder.h"

#include "app/diagnostic_log.h"

// Placeholders until the payload issue lands: no folder is probed, formed or
// removed.
std::int32_t SetTempFolder(const std::wstring& baseFolder)
{
    LogMessage(L"SetTempFolder is not built yet: '%s' not probed\n", baseFolder);
    return 0;
}

void UseZeroGuid()
{
    LogText(L"UseZeroGuid is not built yet\n");
}

void RemoveTempFolder(CVelloxInstallerApp&)
{
    LogText(L"RemoveTempFolder is not built yet: nothing was extracted, nothing removed\n");
}
