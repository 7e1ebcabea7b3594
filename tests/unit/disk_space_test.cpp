#include "app_fixture.h"
#include "checks/disk_space.h"

#include <gtest/gtest.h>

namespace {

using DiskSpaceTest = AppFixture;

constexpr std::uint64_t kMb = 1024 * 1024;
const std::wstring kTemp = L"C:\\Users\\me\\AppData\\Local\\Temp\\";

std::wstring CheckingLine(const std::wstring& required, const std::wstring& drive, const std::wstring& temp)
{
    return L"Free Disk Space: Checking at least " + required + L" MB free on drive '" + drive +
           L"' for temp directory '" + temp + L"'\n";
}

TEST_F(DiskSpaceTest, MoreThanTheRequiredMegabytesMustBeAvailable)
{
    const struct {
        const char* what;
        std::wstring required;
        std::optional<std::uint64_t> freeBytes;
        bool passes;
        std::int64_t requiredMb;
        std::int64_t freeMb;
        std::wstring lastLine;
    } cases[] = {
        {"500 MB available fails", L"500", 500 * kMb, false, 500, 500,
         L"Insufficient disk space: 500 MB required but only 500 MB free.\n"},
        {"one byte short of 501 MB is 500", L"500", 501 * kMb - 1, false, 500, 500,
         L"Insufficient disk space: 500 MB required but only 500 MB free.\n"},
        {"501 MB available passes", L"500", 501 * kMb, true, 500, 501, L"Free disk space requirement passed.\n"},
        {"524,287,999 bytes is 499 MB", L"500", 524287999, false, 500, 499,
         L"Insufficient disk space: 500 MB required but only 499 MB free.\n"},
        {"a negative requirement passes an empty drive", L"-1", 0, true, -1, 0,
         L"Free disk space requirement passed.\n"},
        {"more than 32 bits of megabytes", L"2147483647", std::uint64_t{1} << 62, true, 2147483647,
         std::int64_t{1} << 42, L"Free disk space requirement passed.\n"},
        {"requirement text as wcstol reads it", L" 12MB", 12 * kMb, false, 12, 12,
         L"Insufficient disk space: 12 MB required but only 12 MB free.\n"},
        {"the free-space call failing", L"500", std::nullopt, false, 500, 0, L"Failed to check free disk space.\n"},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        strings.entries[103] = c.required;
        machine.freeBytes = c.freeBytes;
        machine.freeSpaceQueries.clear();
        auto& app = MakeApp({});
        app.m_strTempFolder = kTemp;
        app.m_diskSpace.freeMb = 12345;
        EXPECT_EQ(CheckFreeDiskSpace(strings, machine, app.m_strTempFolder, app.m_diskSpace), c.passes) << c.what;
        EXPECT_EQ(app.m_diskSpace.requiredMb, c.requiredMb) << c.what;
        EXPECT_EQ(app.m_diskSpace.freeMb, c.freeMb) << c.what;
        EXPECT_EQ(app.m_diskSpace.drive, L"C:") << c.what;
        EXPECT_EQ(machine.freeSpaceQueries, std::vector<std::wstring>{L"C:"}) << c.what;
        EXPECT_EQ(LoggedText(), L"Free Disk Space\n" + CheckingLine(std::to_wstring(c.requiredMb), L"C:", kTemp) +
                                    c.lastLine)
            << c.what;
    }
}

TEST_F(DiskSpaceTest, PathWithoutDriveAsksForTheEmptyDrive)
{
    const std::wstring share = L"\\\\server\\share\\setup\\";
    auto& app = MakeApp({});
    app.m_strTempFolder = share;
    app.m_diskSpace.drive = L"Q:";
    EXPECT_TRUE(CheckFreeDiskSpace(strings, machine, app.m_strTempFolder, app.m_diskSpace));
    EXPECT_EQ(app.m_diskSpace.drive, L"");
    EXPECT_EQ(machine.freeSpaceQueries, std::vector<std::wstring>{L""});
    EXPECT_NE(LoggedText().find(CheckingLine(L"500", L"", share)), std::wstring::npos);
}

TEST_F(DiskSpaceTest, UnsplittablePathFailsBeforeMeasuringAndKeepsTheEarlierDrive)
{
    const std::wstring longFolder = L"C:\\" + std::wstring(255, L'a') + L"\\";  // directory part of 257
    const struct {
        const char* what;
        std::wstring folder;
        bool splitterFails;
    } cases[] = {
        {"directory part too long", longFolder, false},
        {"splitter error", kTemp, true},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        machine.failSplit = c.splitterFails;
        machine.freeSpaceQueries.clear();
        auto& app = MakeApp({});
        app.m_strTempFolder = c.folder;
        app.m_diskSpace.drive = L"D:";
        app.m_diskSpace.freeMb = 12345;
        EXPECT_FALSE(CheckFreeDiskSpace(strings, machine, app.m_strTempFolder, app.m_diskSpace)) << c.what;
        EXPECT_EQ(app.m_diskSpace.drive, L"D:") << c.what;
        EXPECT_EQ(app.m_diskSpace.freeMb, 0) << c.what;
        EXPECT_EQ(app.m_diskSpace.requiredMb, 500) << c.what;
        EXPECT_TRUE(machine.freeSpaceQueries.empty()) << c.what;
        EXPECT_EQ(LoggedText(),
                  L"Free Disk Space\nFailed to parse directory for free disk space check. " + c.folder + L"\n")
            << c.what;
    }
}

TEST_F(DiskSpaceTest, StartUpStopsWithMediumFullAndTheFiguresForTheReport)
{
    machine.freeBytes = 100 * kMb;
    auto& app = MakeApp({L"/IAgreeToTheEULA", L"temp", L"D:\\Setup"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0x80030070u);
    EXPECT_EQ(app.m_diskSpace.requiredMb, 500);
    EXPECT_EQ(app.m_diskSpace.freeMb, 100);
    EXPECT_EQ(app.m_diskSpace.drive, L"D:");
    EXPECT_EQ(machine.freeSpaceQueries, std::vector<std::wstring>{L"D:"});
}

}  // namespace
