// Reading and rewriting the resource section of a PE executable.
//
// Our own small writer rather than a PE library: the one Debian packages
// (LIEF 0.9.0) exists only as a Linux library, so the Windows build of
// vellox-pack could not link it, and it rebuilds whole images where we must
// change nothing but the resources. This writer touches only the resource
// section, the sections that follow it (moved, for the relocation section
// the linker puts last), the two data-directory entries, the section table,
// the image and initialised-data sizes and the checksum.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>

namespace payload_tool {

// A resource type, name or language: an integer id or a UTF-16 string.
// Strings sort before ids, as the directory format requires.
struct ResourceKey {
    std::variant<std::u16string, std::uint16_t> value;

    static ResourceKey Id(std::uint16_t id) { return ResourceKey{id}; }
    static ResourceKey Name(std::u16string name) { return ResourceKey{std::move(name)}; }
    bool IsId() const { return std::holds_alternative<std::uint16_t>(value); }
    std::uint16_t GetId() const { return std::get<std::uint16_t>(value); }
    auto operator<=>(const ResourceKey&) const = default;
};

struct ResourceData {
    std::string bytes;
    std::uint32_t codePage = 0;
    bool operator==(const ResourceData&) const = default;
};

// type -> name -> language -> data, in the order the directory stores them.
using ResourceLanguages = std::map<std::uint16_t, ResourceData>;
using ResourceNames = std::map<ResourceKey, ResourceLanguages>;
using ResourceTree = std::map<ResourceKey, ResourceNames>;

namespace ResourceType {
inline constexpr std::uint16_t kIcon = 3;
inline constexpr std::uint16_t kString = 6;
inline constexpr std::uint16_t kDialog = 5;
inline constexpr std::uint16_t kGroupIcon = 14;
inline constexpr std::uint16_t kManifest = 24;
}  // namespace ResourceType

// What vellox-pack needs to know of an image besides its resources.
struct PeFacts {
    bool is64 = false;
    std::uint16_t subsystem = 0;
    bool hasCertificateTable = false;
};

// Throws ToolError for anything that is not a well-formed PE image with a
// resource section this writer can rebuild.
PeFacts ReadPeFacts(const std::string& image);
ResourceTree ReadResources(const std::string& image);

// The image with its resource section replaced by tree. Directory time
// stamps are timestamp; everything outside the resource section and the
// sections after it stays as it was, apart from the header fields above.
std::string ReplaceResources(const std::string& image, const ResourceTree& tree, std::uint32_t timestamp);

// The optional header's checksum of image, with the checksum field counted
// as zero, and the image with it written.
std::uint32_t ComputeImageChecksum(const std::string& image);
std::string WithImageChecksum(std::string image);

}  // namespace payload_tool
