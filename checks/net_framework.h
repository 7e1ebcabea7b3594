// .NET Framework detection from the local machine's registry against the
// build's minimum levels (string-table entries 138 to 144).
#pragma once

#include "app/string_table.h"
#include "checks/registry.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The framework a failed check asks for, for the report.
struct FrameworkRequirement {
    std::wstring name = L"Unknown .NET Version";
    std::int32_t major = 2;
    std::int32_t servicePack = 0;
};

// The variants in the order they are configured, chosen and checked:
// 2.0, 3.0, 3.5, 4.0 Client, 4.0 Full, 4.5 Client, 4.5 Full.
inline constexpr std::size_t kNetVariantCount = 7;

// Sets the framework requirement from the variants' entry texts: the
// first variant whose level is not negative, with that level. Leaves the
// requirement as it is when every level is negative.
void SelectRequiredFramework(FrameworkRequirement& requirement,
                             std::span<const std::wstring, kNetVariantCount> entries);

// True when an accepted variant is installed at its minimum level or above.
// Sets the framework requirement, so that a false result can tell the
// report what is needed. Reads the registry afresh on every call.
bool CheckNetFramework(const StringTable& strings, const Registry& registry, FrameworkRequirement& requirement);
