#include "checks/disk_space.h"

#include "app/diagnostic_log.h"
#include "app/text.h"
#include "checks/machine_facts.h"

namespace {
constexpr std::uint64_t kBytesPerKilobyte = 1024;
}

bool CheckFreeDiskSpace(const StringTable& strings, const MachineFacts& machine, const std::wstring& tempFolder,
                        DiskSpaceCheck& check)
{
    LogText("Free Disk Space\n");
    check.freeMb = 0;
    check.requiredMb = ParseLong(strings.Load(StringId::kRequiredMb));

    const auto drive = machine.SplitDrive(tempFolder);
    if (!drive) {
        LogMessage("Failed to parse directory for free disk space check. %s\n", tempFolder);
        return false;
    }
    check.drive = *drive;
    LogMessage("Free Disk Space: Checking at least %I64d MB free on drive '%s' for temp directory '%s'\n",
               check.requiredMb, check.drive, tempFolder);

    // The bytes available to this user, which honours disk quotas.
    const auto available = machine.FreeBytesAvailable(check.drive);
    if (!available) {
        LogText("Failed to check free disk space.\n");
        return false;
    }
    check.freeMb = static_cast<std::int64_t>(*available / kBytesPerKilobyte / kBytesPerKilobyte);
    if (check.freeMb > check.requiredMb) {
        LogText("Free disk space requirement passed.\n");
        return true;
    }
    LogMessage("Insufficient disk space: %I64d MB required but only %I64d MB free.\n", check.requiredMb,
               check.freeMb);
    return false;
}
