// A bootstrapper's build configuration: the string-table entries the
// program reads at run time, their defaults and the values they may take.
#pragma once

#include "payload_script.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>

namespace payload_tool {

// Refused command-line options, configuration keys and values.
struct UsageError : ToolError {
    using ToolError::ToolError;
};

// The string-table entries of the build configuration.
inline constexpr std::uint16_t kProgramNameId = 201;
inline constexpr std::array<std::uint16_t, 12> kBuildConfigIds = {0,   1,   103, 138, 139, 140,
                                                                  141, 142, 143, 144, 145, kProgramNameId};

// Texts as the program reads them; the defaults are the system's own build.
struct BuildConfig {
    std::string productName = "Corvane";          // 1
    std::string processorMode = "x86";            // 0
    std::string requiredMb = "500";               // 103
    std::array<std::string, 7> netLevels = {"0", "0", "0", "0", "0", "-", "-"};  // 138..144, "-" absent
    std::string adminCheck = "1";                 // 145
    std::string programName = "Mini";             // 201
};

// True for the keys SetBuildConfigValue takes: product-name,
// processor-mode, required-mb, net-levels, admin-check, program-name.
bool IsBuildConfigKey(const std::string& key);
// Sets one value after checking it (UsageError when out of range):
// processor-mode x86, x64, x32Only or Any; required-mb 0..2147483647;
// net-levels seven levels (-2147483648..2147483647) or "-", separated by
// blanks or commas; admin-check 0 or 1; product-name and program-name
// non-empty UTF-8 of at most 255 characters without control characters
// (program-name also without '"', as it is forwarded in quotes).
void SetBuildConfigValue(BuildConfig& config, const std::string& key, const std::string& value);

// The string-table entries for config, id -> UTF-16 text.
std::map<std::uint16_t, std::u16string> BuildConfigStrings(const BuildConfig& config);

}  // namespace payload_tool
