#include "payload/embedded_information.h"

#include "app/diagnostic_log.h"

// Placeholder until the payload issue lands: the executable is not scanned.
std::int32_t WriteEmbeddedInformation()
{
    LogText(L"WriteEmbeddedInformation is not built yet: no information block read\n");
    return 0;
}
