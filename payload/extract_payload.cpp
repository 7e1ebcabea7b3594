#include "payload/extract_payload.h"

#include "app/diagnostic_log.h"

// Placeholder until the payload issue lands: nothing is extracted and no run
// target is chosen.
std::int32_t ExtractPayload(CVelloxInstallerApp&, std::wstring& runTarget)
{
    runTarget.clear();
    LogText(L"ExtractPayload is not built yet: nothing extracted\n");
    return 0;
}
