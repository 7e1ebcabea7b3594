// The executable's own resources, as the payload extraction needs them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A resource name as enumerated: an integer id, or a string name.
struct ResourceName {
    std::optional<std::uint32_t> id;
    std::wstring text;  // only for string names
};

// Which step of reaching a resource's bytes failed.
enum class ResourceFailure { None, NotFound, NotLoaded, NotLocked };

// The bytes of one resource, in the module's mapped image: no copy is made,
// and they stay valid for as long as the module is loaded.
struct ResourceBytes {
    ResourceFailure failure = ResourceFailure::None;
    std::span<const std::uint8_t> bytes;
};

class ResourceStore {
public:
    virtual ~ResourceStore() = default;
    // Every resource name of the type, in the platform's order (string names
    // first, then integer ids ascending). nullopt when the module has no
    // resource of that type or the enumeration fails.
    virtual std::optional<std::vector<ResourceName>> EnumerateNames(std::uintptr_t module,
                                                                    const std::wstring& type) = 0;
    // Finds, loads and locks the resource with the integer id.
    virtual ResourceBytes Lock(std::uintptr_t module, std::uint32_t id, const std::wstring& type) = 0;
};
