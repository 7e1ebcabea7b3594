#include "checks/net_framework.h"

#include "app/diagnostic_log.h"
#include "app/text.h"
#include "checks/registry.h"

#include <array>
#include <optional>

using namespace std::literals;

namespace {

constexpr std::wstring_view kNet20Key = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v2.0.50727"sv;
constexpr std::wstring_view kNet30SetupKey = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v3.0\\Setup"sv;
constexpr std::wstring_view kNet30Key = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v3.0"sv;
constexpr std::wstring_view kNet35Key = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v3.5"sv;
constexpr std::wstring_view kNet4ClientKey = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Client"sv;
constexpr std::wstring_view kNet4FullKey = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full"sv;

constexpr RegistryVersion kNet30MinimumVersion{3, 0, 4506, 26};
constexpr RegistryVersion kNet35MinimumVersion{3, 5, 21022, 8};
constexpr std::int32_t kNet45Level = 5;

// A detection gives the installed service-pack level (-1 when the registry
// records none), or nullopt when the variant is not installed.
using Detection = std::optional<std::int32_t>;

bool IsInstalled(const Registry& registry, std::wstring_view key)
{
    return ReadRegistryInteger(registry, key, L"Install"sv) == 1;
}

Detection DetectNet20(const Registry& registry)
{
    if (!IsInstalled(registry, kNet20Key))
        return std::nullopt;
    return ReadRegistryInteger(registry, kNet20Key, L"SP"sv);
}

Detection DetectNet30(const Registry& registry)
{
    if (!DetectNet20(registry) || ReadRegistryInteger(registry, kNet30SetupKey, L"InstallSuccess"sv) != 1 ||
        !IsRegistryVersionAtLeast(registry, kNet30SetupKey, L"Version"sv, kNet30MinimumVersion))
        return std::nullopt;
    return ReadRegistryInteger(registry, kNet30Key, L"SP"sv);
}

Detection DetectNet35(const Registry& registry)
{
    if (!DetectNet20(registry) || !IsInstalled(registry, kNet35Key) ||
        !IsRegistryVersionAtLeast(registry, kNet35Key, L"Version"sv, kNet35MinimumVersion))
        return std::nullopt;
    return ReadRegistryInteger(registry, kNet35Key, L"SP"sv);
}

// 4.5 installs over 4.0 under the same keys; only the Client key's Version
// (4.5.x) tells them apart, for the Full variant as well.
Detection DetectNet40(const Registry& registry, std::wstring_view key)
{
    if (!IsInstalled(registry, key))
        return std::nullopt;
    std::int32_t level = ReadRegistryInteger(registry, key, L"Servicing"sv);
    RegistryVersion version;
    if (ReadRegistryVersion(registry, kNet4ClientKey, L"Version"sv, version) && version.nMajor == 4 &&
        version.nMinor > level)
        level = version.nMinor;
    return level;
}

Detection DetectNet45(const Registry& registry, std::wstring_view key)
{
    const Detection net40 = DetectNet40(registry, key);
    if (!net40 || *net40 < kNet45Level)
        return std::nullopt;
    return net40;
}

struct NetVariant {
    AsciiLiteral configLine;    // logs the entry text
    AsciiLiteral detectedLine;  // logs the detected level
    const wchar_t* requirementName;
    std::int32_t nMajor;
    Detection (*detect)(const Registry&);
};

const std::array<NetVariant, kNetVariantCount> kVariants = {{
    {".NET 2.0 %s\n", ".NET 2.0 Detected SP %ld\n", L".NET 2", 2, DetectNet20},
    {".NET 3.0 %s\n", ".NET 3.0 Detected SP %ld\n", L".NET 3.0", 3, DetectNet30},
    {".NET 3.5 %s\n", ".NET 3.5 Detected SP %ld\n", L".NET 3.5", 3, DetectNet35},
    {".NET 4.0 Client %s\n", ".NET 4.0 Client Detected SP %ld\n", L".NET (client) 4.0", 4,
     [](const Registry& registry) { return DetectNet40(registry, kNet4ClientKey); }},
    {".NET 4.0 Full %s\n", ".NET 4.0 Full Detected SP %ld\n", L".NET (full) 4.0", 4,
     [](const Registry& registry) { return DetectNet40(registry, kNet4FullKey); }},
    {".NET 4.5 Client %s\n", ".NET 4.5 Client Detected SP %ld\n", L".NET (client) 4.5", 4,
     [](const Registry& registry) { return DetectNet45(registry, kNet4ClientKey); }},
    {".NET 4.5 Full %s\n", ".NET 4.5 Full Detected SP %ld\n", L".NET (full) 4.5", 4,
     [](const Registry& registry) { return DetectNet45(registry, kNet4FullKey); }},
}};

// A variant whose entry is negative is not accepted and not looked for.
bool IsVariantAccepted(const Registry& registry, const NetVariant& variant, const std::wstring& entry)
{
    const std::int32_t required = ParseLong(entry);
    if (required < 0)
        return false;
    const Detection level = variant.detect(registry);
    if (!level)
        return false;
    LogMessage(variant.detectedLine, *level);
    return *level >= required;
}

}  // namespace

void SelectRequiredFramework(FrameworkRequirement& requirement,
                             std::span<const std::wstring, kNetVariantCount> entries)
{
    for (std::size_t i = 0; i < kNetVariantCount; ++i) {
        const std::int32_t level = ParseLong(entries[i]);
        if (level >= 0) {
            requirement.name = kVariants[i].requirementName;
            requirement.major = kVariants[i].nMajor;
            requirement.servicePack = level;
            return;
        }
    }
}

bool CheckNetFramework(const StringTable& strings, const Registry& registry, FrameworkRequirement& requirement)
{
    std::array<std::wstring, kNetVariantCount> entries;
    for (std::size_t i = 0; i < kNetVariantCount; ++i) {
        entries[i] = strings.Load(StringId::kFirstNetLevel + static_cast<unsigned>(i));
        LogMessage(kVariants[i].configLine, entries[i]);
    }
    SelectRequiredFramework(requirement, entries);

    for (std::size_t i = 0; i < kNetVariantCount; ++i) {
        if (IsVariantAccepted(registry, kVariants[i], entries[i])) {
            LogText(".NET Version OK\n");
            return true;
        }
    }
    LogMessage(".NET Version Not OK %s %ld\n", requirement.name, requirement.servicePack);
    return false;
}
