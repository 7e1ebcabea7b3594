// vellox-pack: a bootstrapper made from the stub, a payload and a build
// configuration, without a compiler.
#pragma once

#include "build_config.h"
#include "payload_script.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace payload_tool {

struct PackRequest {
    std::filesystem::path stub;
    std::filesystem::path output;
    std::filesystem::path payloadDir;
    std::string program;
    std::vector<PayloadEntry> entries;
    // For payloads the bootstrapper is meant to refuse (its own tests):
    // string-named resources, resource 101 from a file or left out, and
    // manifest names that would leave the temporary folder.
    std::vector<NamedResource> named;
    std::optional<std::filesystem::path> manifestText;
    bool noManifest = false;
    bool allowUnsafeNames = false;
    std::optional<std::filesystem::path> icon;
    std::optional<std::filesystem::path> infoBlock;
    std::optional<std::filesystem::path> configFile;
    BuildConfig config;
};

// The command line (without the program's own name). A --config file is read
// first, wherever it stands; options given on the command line win over its
// keys. Paths in the file are relative to its folder. --no-manifest and
// --allow-unsafe-names take no value (true or false in the file). UsageError
// for an unknown option or key and for an out-of-range value.
PackRequest ParsePackArguments(const std::vector<std::string>& arguments);

// The directory time stamp of the output: SOURCE_DATE_EPOCH when set
// (seconds, up to 4294967295), else 0, so that equal inputs give equal bytes.
std::uint32_t PackTimestamp(const char* sourceDateEpoch);

// The packed bootstrapper's bytes. Throws ToolError for bad input.
std::string PackBootstrapper(const PackRequest& request, std::uint32_t timestamp);

// Writes bytes beside path and renames the file over it, so that a failure
// never leaves a half-written output.
void WriteBeside(const std::filesystem::path& path, const std::string& bytes);

// The whole tool: 0 on success, 2 for a usage error, 1 for bad input; the
// message goes to error.
int RunPack(const std::vector<std::string>& arguments, const char* sourceDateEpoch, std::ostream& error);

}  // namespace payload_tool
