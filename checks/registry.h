// Read-only access to values under HKEY_LOCAL_MACHINE, and the typed reads
// the .NET Framework detection is made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Registry {
public:
    virtual ~Registry() = default;
    // ReadRegistryValue: the value's data as the query wrote it into a buffer of bufferBytes,
    // whatever its registry type. Nullopt when the key cannot be opened for
    // reading, the value is absent, or its data does not fit the buffer.
    virtual std::optional<std::vector<std::uint8_t>> ReadValue(std::wstring_view keyPath, std::wstring_view valueName,
                                                               std::size_t bufferBytes) const = 0;
};

// Buffer sizes of the two kinds of value read.
inline constexpr std::size_t kRegistryIntegerBytes = 4;
inline constexpr std::size_t kRegistryVersionBytes = 260;

// The 4-byte integer stored in the value (little-endian; shorter data is
// padded with zero bytes), or -1 when the value cannot be read.
std::int32_t ReadRegistryInteger(const Registry& registry, std::wstring_view keyPath, std::wstring_view valueName);

// A four-part dotted version; parts that are not given stay 0.
struct RegistryVersion {
    std::int32_t nMajor = 0;
    std::int32_t nMinor = 0;
    std::int32_t nBuild = 0;
    std::int32_t nRevision = 0;

    // Part by part from major to revision, signed.
    friend auto operator<=>(const RegistryVersion&, const RegistryVersion&) = default;
};

// Reads the value as UTF-16 text of at most 129 characters and splits it at
// "." (empty parts skipped); the first four parts are converted as decimal
// numbers, further parts are ignored. version is 0.0.0.0 before the read and
// stays so when the read fails. Returns whether the read succeeded.
bool ReadRegistryVersion(const Registry& registry, std::wstring_view keyPath, std::wstring_view valueName,
                         RegistryVersion& version);

// True when the value's version (0.0.0.0 when unreadable) is at least minimum.
bool IsRegistryVersionAtLeast(const Registry& registry, std::wstring_view keyPath, std::wstring_view valueName,
                              const RegistryVersion& minimum);
