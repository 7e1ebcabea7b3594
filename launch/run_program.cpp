#include "launch/run_program.h"

#include "app/diagnostic_log.h"

// Placeholder until the launch issue lands: no process is started and the
// exit code stays 0.
std::int32_t RunProgram(CVelloxInstallerApp&, const std::wstring& runTarget, const std::wstring& commandLine,
                        std::uint32_t*)
{
    LogMessage(L"RunProgram is not built yet: '%s' not started with '%s'\n", runTarget, commandLine);
    return 0;
}
