#include "checks/administrator.h"
#include "checks/windows_installer.h"
#include "fakes/fake_machine_facts.h"
#include "fakes/fake_platform.h"

#include <gtest/gtest.h>

namespace {

TEST(Administrator, OnlyAMembershipFlagOfOneCounts)
{
    const struct {
        std::optional<std::int32_t> membership;
        bool administrator;
    } cases[] = {{1, true}, {0, false}, {std::nullopt, false}, {2, false}};
    for (const auto& c : cases) {
        FakeMachineFacts machine;
        machine.membership = c.membership;
        EXPECT_EQ(IsUserAdministrator(machine), c.administrator) << c.membership.value_or(-99);
    }
}

TEST(Administrator, OnlyExactlyZeroSwitchesTheCheckOff)
{
    const struct {
        std::optional<std::wstring> entry;
        bool enabled;
    } cases[] = {{L"0", false}, {L"1", true}, {L" 0", true}, {L"00", true}, {L"0 ", true}, {L"", true},
                 {std::nullopt, true}};
    for (const auto& c : cases) {
        FakeStringTable strings;
        if (c.entry)
            strings.entries[145] = *c.entry;
        else
            strings.entries.erase(145);
        EXPECT_EQ(IsAdminCheckEnabled(strings), c.enabled) << c.entry.value_or(L"absent");
    }
}

TEST(WindowsInstaller, XpAndLaterPassWithoutReadingMsiDll)
{
    const struct {
        std::optional<OsVersion> os;
        bool xpOrLater;
    } cases[] = {
        {OsVersion{2, 5, 1}, true},  {OsVersion{2, 5, 2}, true},  {OsVersion{2, 6, 0}, true},
        {OsVersion{2, 10, 0}, true}, {OsVersion{2, 5, 0}, false}, {OsVersion{2, 4, 90}, false},
        {OsVersion{1, 5, 1}, false},  // not an NT platform
        {std::nullopt, false},
    };
    for (const auto& c : cases) {
        FakeMachineFacts machine;
        machine.osVersion = c.os;
        FakeSystemPaths paths;
        const std::string what = c.os ? std::to_string(c.os->nPlatformId) + ":" + std::to_string(c.os->nMajor) + "." +
                                            std::to_string(c.os->nMinor)
                                      : "failed";
        EXPECT_EQ(IsWindowsXpOrLater(machine), c.xpOrLater) << what;
        // Earlier systems have no MSI.DLL here, so only XP and later pass.
        EXPECT_EQ(CheckWindowsInstaller(machine, paths), c.xpOrLater) << what;
        EXPECT_EQ(machine.fileVersionQueries.empty(), c.xpOrLater) << what;
    }
}

TEST(WindowsInstaller, Windows2000NeedsMsiDllVersionTwo)
{
    const std::wstring msi = L"C:\\Windows\\system32\\MSI.DLL";
    const struct {
        const char* what;
        std::optional<FixedFileVersion> version;
        bool passes;
    } cases[] = {
        {"2.0", FixedFileVersion{0xFEEF04BD, 0x00020000}, true},
        {"4.5", FixedFileVersion{0xFEEF04BD, 0x00040005}, true},
        {"1.20", FixedFileVersion{0xFEEF04BD, 0x00010014}, false},
        {"0.2 (minor is not major)", FixedFileVersion{0xFEEF04BD, 0x00000002}, false},
        {"2.0 with a wrong signature", FixedFileVersion{0xFEEF04BE, 0x00020000}, false},
        {"no version resource", std::nullopt, false},
    };
    for (const auto& c : cases) {
        FakeMachineFacts machine;
        machine.osVersion = OsVersion{2, 5, 0};
        if (c.version)
            machine.fileVersions[msi] = *c.version;
        FakeSystemPaths paths;
        EXPECT_EQ(CheckWindowsInstaller(machine, paths), c.passes) << c.what;
        EXPECT_EQ(machine.fileVersionQueries, std::vector<std::wstring>{msi}) << c.what;
    }

    FakeMachineFacts machine;
    machine.osVersion = OsVersion{2, 5, 0};
    machine.fileVersions[msi] = FixedFileVersion{0xFEEF04BD, 0x00030001};
    FakeSystemPaths paths;
    paths.systemFolder.reset();
    EXPECT_FALSE(CheckWindowsInstaller(machine, paths)) << "system folder unknown";
    EXPECT_TRUE(machine.fileVersionQueries.empty());
}

TEST(WindowsInstaller, QueriesWriteTheirOutputsOnlyOnSuccess)
{
    FakeSystemPaths paths;
    std::wstring folder = L"unchanged";
    EXPECT_TRUE(GetSpecialFolderPath(paths, SystemPaths::kCsidlSystem, folder));
    EXPECT_EQ(folder, L"C:\\Windows\\system32\\");
    paths.systemFolder.reset();
    folder = L"unchanged";
    EXPECT_FALSE(GetSpecialFolderPath(paths, SystemPaths::kCsidlSystem, folder));
    EXPECT_EQ(folder, L"unchanged");

    FakeMachineFacts machine;
    machine.fileVersions[L"a.dll"] = FixedFileVersion{0xFEEF04BD, 0xFFFF0010};
    machine.fileVersions[L"b.dll"] = FixedFileVersion{0, 0x00020000};
    std::uint32_t major = 77;
    std::uint32_t minor = 88;
    EXPECT_TRUE(GetFileVersion(machine, L"a.dll", major, minor));
    EXPECT_EQ(major, 0xFFFFu);
    EXPECT_EQ(minor, 0x10u);
    major = 77;
    minor = 88;
    EXPECT_FALSE(GetFileVersion(machine, L"b.dll", major, minor));
    EXPECT_FALSE(GetFileVersion(machine, L"c.dll", major, minor));
    EXPECT_EQ(major, 77u);
    EXPECT_EQ(minor, 88u);
}

}  // namespace
