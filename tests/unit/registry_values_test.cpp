#include "checks/registry.h"
#include "fakes/fake_registry.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const std::wstring kKey = L"Software\\Test";

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> bytes;
    for (const int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

TEST(RegistryValues, IntegerReadsFourBytesWhateverTheType)
{
    const struct {
        const char* what;
        std::optional<std::vector<std::uint8_t>> data;  // nullopt: value absent
        std::int32_t expected;
    } cases[] = {
        {"a DWORD", Bytes({2, 0, 0, 0}), 2},
        {"all bits", Bytes({0xFF, 0xFF, 0xFF, 0x7F}), 0x7FFFFFFF},
        {"negative", Bytes({0xFE, 0xFF, 0xFF, 0xFF}), -2},
        {"text \"1\" is its code units", Bytes({'1', 0, 0, 0}), 0x31},
        {"shorter data is padded with zeros", Bytes({1, 1}), 0x101},
        {"a QWORD does not fit four bytes", Bytes({1, 0, 0, 0, 0, 0, 0, 0}), -1},
        {"absent", std::nullopt, -1},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        if (c.data)
            registry.SetBytes(kKey, L"SP", *c.data);
        EXPECT_EQ(ReadRegistryInteger(registry, kKey, L"SP"), c.expected) << c.what;
    }
}

TEST(RegistryValues, IntegerFromAKeyThatCannotBeOpenedIsMinusOne)
{
    FakeRegistry registry;
    registry.SetInteger(kKey, L"SP", 3);
    registry.unopenable.insert(kKey);
    EXPECT_EQ(ReadRegistryInteger(registry, kKey, L"SP"), -1);
}

TEST(RegistryValues, VersionTextSplitsAtDots)
{
    const struct {
        std::wstring text;
        RegistryVersion expected;
    } cases[] = {
        {L"3.5.21022.8", {3, 5, 21022, 8}},
        {L"4.5.50709", {4, 5, 50709, 0}},
        {L"4", {4, 0, 0, 0}},
        {L"", {0, 0, 0, 0}},
        {L"1.2.3.4.5", {1, 2, 3, 4}},
        {L"..4...5.", {4, 5, 0, 0}},
        {L" 4.-1.2x.y", {4, -1, 2, 0}},
        {L"99999999999.1", {2147483647, 1, 0, 0}},
        {std::wstring(125, L'0') + L"7.1", {7, 1, 0, 0}},  // 129 characters still fit
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.SetText(kKey, L"Version", c.text);
        RegistryVersion version{9, 9, 9, 9};
        EXPECT_TRUE(ReadRegistryVersion(registry, kKey, L"Version", version)) << c.text;
        EXPECT_EQ(version, c.expected) << c.text;
    }
}

TEST(RegistryValues, UnreadableVersionIsZero)
{
    const struct {
        const char* what;
        std::function<void(FakeRegistry&)> setUp;
    } cases[] = {
        {"absent", [](FakeRegistry&) {}},
        {"130 characters do not fit 260 bytes",
         [](FakeRegistry& r) { r.SetText(kKey, L"Version", std::wstring(126, L'0') + L"4.5.1"); }},
        {"key cannot be opened",
         [](FakeRegistry& r) {
             r.SetText(kKey, L"Version", L"4.5");
             r.unopenable.insert(kKey);
         }},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        c.setUp(registry);
        RegistryVersion version{9, 9, 9, 9};
        EXPECT_FALSE(ReadRegistryVersion(registry, kKey, L"Version", version)) << c.what;
        EXPECT_EQ(version, RegistryVersion{}) << c.what;
        EXPECT_FALSE(IsRegistryVersionAtLeast(registry, kKey, L"Version", {0, 0, 0, 1})) << c.what;
        EXPECT_TRUE(IsRegistryVersionAtLeast(registry, kKey, L"Version", {0, 0, 0, 0})) << c.what;
    }
}

TEST(RegistryValues, VersionWithoutTerminatorEndsWithItsData)
{
    FakeRegistry registry;
    std::vector<std::uint8_t> data;
    for (const char c : std::string(128, '0') + "35")  // exactly 260 bytes, no terminator
        data.insert(data.end(), {static_cast<std::uint8_t>(c), 0});
    registry.SetBytes(kKey, L"Version", data);
    RegistryVersion version;
    EXPECT_TRUE(ReadRegistryVersion(registry, kKey, L"Version", version));
    EXPECT_EQ(version, (RegistryVersion{35, 0, 0, 0}));
}

TEST(RegistryValues, VersionAtLeastComparesPartByPart)
{
    const RegistryVersion minimum{3, 5, 21022, 8};
    const struct {
        const wchar_t* installed;
        bool atLeast;
    } cases[] = {
        {L"3.5.21022.8", true}, {L"3.5.21022.7", false}, {L"3.5.30729.1", true}, {L"4.0", true},
        {L"3.5.21022", false},  {L"3.4.99999.99", false}, {L"3.6", true},        {L"-4.9", false},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.SetText(kKey, L"Version", c.installed);
        EXPECT_EQ(IsRegistryVersionAtLeast(registry, kKey, L"Version", minimum), c.atLeast)
            << c.installed;
    }
}

}  // namespace
