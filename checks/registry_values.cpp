#include "checks/registry.h"

#include "app/text.h"

namespace {

// The data up to its first NUL unit or its end: a value stored without a
// terminator must not be read past the bytes the query returned.
std::wstring TextFromUtf16Bytes(const std::vector<std::uint8_t>& data)
{
    std::wstring text;
    for (std::size_t at = 0; at + 1 < data.size(); at += 2) {
        const auto unit = static_cast<wchar_t>(data[at] | (data[at + 1] << 8));
        if (unit == L'\0')
            break;
        text.push_back(unit);
    }
    return text;
}

}  // namespace

std::int32_t ReadRegistryInteger(const Registry& registry, std::wstring_view keyPath, std::wstring_view valueName)
{
    const auto data = registry.ReadValue(keyPath, valueName, kRegistryIntegerBytes);
    if (!data)
        return -1;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < data->size(); ++i)
        value |= static_cast<std::uint32_t>((*data)[i]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

bool ReadRegistryVersion(const Registry& registry, std::wstring_view keyPath, std::wstring_view valueName,
                         RegistryVersion& version)
{
    version = RegistryVersion{};
    const auto data = registry.ReadValue(keyPath, valueName, kRegistryVersionBytes);
    if (!data)
        return false;
    const std::wstring text = TextFromUtf16Bytes(*data);
    std::int32_t* const parts[] = {&version.nMajor, &version.nMinor, &version.nBuild, &version.nRevision};
    std::size_t filled = 0;
    std::size_t start = 0;
    while (filled < std::size(parts) && start <= text.size()) {
        std::size_t end = text.find(L'.', start);
        if (end == std::wstring::npos)
            end = text.size();
        if (end > start)
            *parts[filled++] = ParseLong(std::wstring_view(text).substr(start, end - start));
        start = end + 1;
    }
    return true;
}

bool IsRegistryVersionAtLeast(const Registry& registry, std::wstring_view keyPath, std::wstring_view valueName,
                              const RegistryVersion& minimum)
{
    RegistryVersion installed;
    ReadRegistryVersion(registry, keyPath, valueName, installed);
    return installed >= minimum;
}
