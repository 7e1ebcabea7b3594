#include "trust/signer_information.h"

#include "app/diagnostic_log.h"
#include "app/installer_app.h"

// Placeholder until the signature issue lands: only the build's default
// program name is taken; no signer is read.
void LogSignerInformation(CVelloxInstallerApp& app)
{
    app.m_strProgramName = app.GetServices().strings.Load(StringId::kDefaultProgramName);
    LogText(L"LogSignerInformation is not built yet: signer not read\n");
}
