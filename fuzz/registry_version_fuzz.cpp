// The registry's version and integer values. Input: the value's raw data as
// the query returns it (UTF-16LE text for a version, whatever the build
// or the machine stored).
#include "app/text.h"
#include "checks/registry.h"
#include "fakes/fake_registry.h"
#include "fuzz_input.h"

#include <climits>

namespace {

const std::wstring kKey = L"Software\\Fuzz";
const std::wstring kName = L"Version";

// The same reading written the plain way: all units up to the first NUL,
// cut at every dot, the first four non-empty parts converted.
RegistryVersion ExpectedVersion(const std::vector<std::uint8_t>& data)
{
    std::vector<std::wstring> parts(1);
    for (std::size_t at = 0; at + 1 < data.size(); at += 2) {
        const wchar_t unit = static_cast<wchar_t>(data[at] | (data[at + 1] << 8));
        if (unit == L'\0')
            break;
        if (unit == L'.')
            parts.emplace_back();
        else
            parts.back().push_back(unit);
    }
    std::vector<std::int32_t> numbers;
    for (const auto& part : parts) {
        if (!part.empty() && numbers.size() < 4)
            numbers.push_back(ParseLong(part));
    }
    numbers.resize(4, 0);
    return RegistryVersion{numbers[0], numbers[1], numbers[2], numbers[3]};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 1024)
        return 0;
    FakeRegistry registry;
    std::vector<std::uint8_t> bytes(data, data + size);
    registry.SetBytes(kKey, kName, bytes);

    RegistryVersion version{1, 2, 3, 4};
    const bool read = ReadRegistryVersion(registry, kKey, kName, version);
    FUZZ_CHECK(read == (size <= kRegistryVersionBytes));
    FUZZ_CHECK(version == (read ? ExpectedVersion(bytes) : RegistryVersion{}));

    FUZZ_CHECK(IsRegistryVersionAtLeast(registry, kKey, kName, version));
    RegistryVersion above = version;
    if (above.nRevision != INT32_MAX) {
        ++above.nRevision;
        FUZZ_CHECK(!IsRegistryVersionAtLeast(registry, kKey, kName, above));
    }

    const std::int32_t integer = ReadRegistryInteger(registry, kKey, kName);
    if (size <= kRegistryIntegerBytes) {
        std::uint32_t expected = 0;
        for (std::size_t i = 0; i < size; ++i)
            expected |= static_cast<std::uint32_t>(data[i]) << (8 * i);
        FUZZ_CHECK(integer == static_cast<std::int32_t>(expected));
    } else {
        FUZZ_CHECK(integer == -1);
    }
    return 0;
}
