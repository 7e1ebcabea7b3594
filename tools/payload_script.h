// The producing side of the payload: which files a bootstrapper carries under
// which ids, and the manifest (TOOLKIT resource 101) that names them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace payload_tool {

struct ToolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One payload entry: a resource, a manifest triple, or both.
struct PayloadEntry {
    std::uint32_t id = 0;
    std::optional<std::string> manifestName;        // no triple when absent
    std::optional<std::filesystem::path> source;    // no resource when absent
    std::optional<std::string> manifestSize;        // the triple's size text; the source's size when absent
};

// A TOOLKIT resource named by a string (the bootstrapper ignores these).
struct NamedResource {
    std::string name;
    std::filesystem::path source;
};

struct PayloadLayout {
    std::vector<PayloadEntry> entries;
    std::vector<NamedResource> named;
    bool allowUnsafeNames = false;  // write names that would leave the temporary folder
};

// "id|name|source|size": an empty name gives no triple, an empty source no
// resource, an empty (or missing) size the source's size.
PayloadEntry ParseEntry(const std::string& text);
// "name|source".
NamedResource ParseNamed(const std::string& text);

// Every file under the folder, with ids from 102 upwards: the program first
// (so it has the lowest id and becomes the run target), then the others in
// path order. Names are relative paths with backslashes. Refuses names the
// bootstrapper would not write faithfully (non-ASCII, "*", case twins) and a
// program name without ".exe" after its first character.
PayloadLayout LayoutFromFolder(const std::filesystem::path& folder, const std::string& program);

// Refuses manifest names the bootstrapper would refuse or not write
// faithfully: names that leave the temporary folder (IsSafePayloadName),
// characters outside printable ASCII (the manifest is read in the machine's
// ANSI code page), '*', and two names that differ only in letter case.
// With allowUnsafeNames the first rule is not applied.
void CheckManifestNames(const PayloadLayout& layout);

// The manifest's bytes: id*name*size triples joined by "*", in entry order.
std::string BuildManifest(const PayloadLayout& layout);

}  // namespace payload_tool
