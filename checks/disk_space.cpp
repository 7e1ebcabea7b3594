#include "checks/disk_space.h"

#include "app/diagnostic_log.h"
#include "app/installer_app.h"
#include "app/text.h"
#include "checks/machine_facts.h"

namespace {
constexpr std::uint64_t kBytesPerKilobyte = 1024;
}

bool CheckFreeDiskSpace(CVelloxInstallerApp& app)
{
    const AppServices& services = app.GetServices();
    LogText("Free Disk Space\n");
    app.m_nFreeMb = 0;
    app.m_nRequiredMb = ParseLong(services.strings.Load(StringId::kRequiredMb));

    const auto drive = services.machine.SplitDrive(app.m_strTempFolder);
    if (!drive) {
        LogMessage("Failed to parse directory for free disk space check. %s\n", app.m_strTempFolder);
        return false;
    }
    app.m_strDrive = *drive;
    LogMessage("Free Disk Space: Checking at least %I64d MB free on drive '%s' for temp directory '%s'\n",
               app.m_nRequiredMb, app.m_strDrive, app.m_strTempFolder);

    // The bytes available to this user, which honours disk quotas.
    const auto available = services.machine.FreeBytesAvailable(app.m_strDrive);
    if (!available) {
        LogText("Failed to check free disk space.\n");
        return false;
    }
    app.m_nFreeMb = static_cast<std::int64_t>(*available / kBytesPerKilobyte / kBytesPerKilobyte);
    if (app.m_nFreeMb > app.m_nRequiredMb) {
        LogText("Free disk space requirement passed.\n");
        return true;
    }
    LogMessage("Insufficient disk space: %I64d MB required but only %I64d MB free.\n", app.m_nRequiredMb,
               app.m_nFreeMb);
    return false;
}
