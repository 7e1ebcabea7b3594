#pragma once

#include "app/string_table.h"
#include "checks/machine_facts.h"

#include <cstdint>
#include <string>

// The figures of the disk check, for the report.
struct DiskSpaceCheck {
    std::int64_t requiredMb = 0;
    std::int64_t freeMb = 0;
    std::wstring drive;
};

// True when the base folder's drive has more than the build's required
// megabytes available to the user. Fills check (the required and free
// megabytes, the drive) for the report; free stays 0 when it cannot be
// measured, the drive as it was when the folder has none to split.
bool CheckFreeDiskSpace(const StringTable& strings, const MachineFacts& machine, const std::wstring& tempFolder,
                        DiskSpaceCheck& check);
