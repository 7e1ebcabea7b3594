// The environment checks of the real executable: .NET Framework states in the
// registry, administrator membership, the Windows Installer engine and free
// disk space. Tests that change a prefix work on a private copy.
#include "signing.h"
#include "wine_harness.h"

#include <algorithm>
#include <cstdint>

namespace e2e {
namespace {

const std::string kNdp = "HKLM\\Software\\Microsoft\\NET Framework Setup\\NDP\\";
const std::string kK20 = kNdp + "v2.0.50727";
const std::string kK4C = kNdp + "v4\\Client";
const std::string kK4F = kNdp + "v4\\Full";

constexpr std::uint32_t kNotAdministrator = 0x80110413u;
constexpr std::uint32_t kFrameworkMissing = 0x80110409u;
constexpr std::uint32_t kInstallerTooOld = 1613u;
constexpr std::uint32_t kDiskFull = 0x80030070u;

// One "reg add" of a value (key in single quotes for the shell).
std::string RegAdd(const std::string& key, const std::string& name, const std::string& type, const std::string& data,
                   const std::string& view = "")
{
    return "add '" + key + "' /v " + name + " /t " + type + " /d '" + data + "' /f" + view;
}

class ChecksE2eTest : public WineTest {
protected:
    // Bootstrappers run signed: an unsigned one stops a silent run at the
    // signature.
    static fs::path Product() { return SignedExe(); }
    static fs::path Variant(const std::string& name)
    {
        return name.starts_with("vellox") ? SignedVariant(name) : Win64Dir() / "tests" / "fixtures" / (name + ".exe");
    }
    fs::path LogPath() const { return Dir() / "setup.log"; }

    // A silent run that goes no further than the payload steps.
    RunResult RunSilent(const fs::path& exe, const std::string& extra = {}, const RunOptions& options = {})
    {
        fs::remove(LogPath());
        return Run(exe, "log " + WinPath(LogPath()) + " /IAgreeToTheEULA /dontrun" + extra, options);
    }
    // The same through run_restricted: the Administrators group is deny-only.
    RunResult RunSilentAsStandardUser(const fs::path& exe)
    {
        fs::remove(LogPath());
        return Run(Variant("run_restricted"),
                   "\"" + WinPath(exe) + "\" log " + WinPath(LogPath()) + " /IAgreeToTheEULA /dontrun");
    }
    std::vector<std::string> LogLines() const { return Lines(ReadFile(LogPath())); }

    static bool HasLine(const std::vector<std::string>& lines, const std::string& line)
    {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    static const std::string* LineStarting(const std::vector<std::string>& lines, const std::string& prefix)
    {
        const auto found =
            std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
        return found == lines.end() ? nullptr : &*found;
    }
};

TEST_F(ChecksE2eTest, FrameworkStatesInTheRegistry)
{
    const std::string version129 = "4.5." + std::string(125, '0');
    const std::string version130 = "4.5." + std::string(126, '0');
    const struct {
        const char* what;
        fs::path exe;
        std::vector<std::string> registry;
        std::uint32_t exitCode;
        std::vector<std::string> lines;  // present in the log, in this order
        const char* absent;              // no log line starts with this
    } cases[] = {
        {"nothing registered", Product(), {}, kFrameworkMissing, {".NET 2.0 0", ".NET Version Not OK .NET 2 0"},
         ".NET 2.0 Detected"},
        {"2.0 with SP 1", Product(), {RegAdd(kK20, "Install", "REG_DWORD", "1"), RegAdd(kK20, "SP", "REG_DWORD", "1")},
         0, {".NET 2.0 Detected SP 1", ".NET Version OK"}, ".NET 4.0 Client Detected"},
        {"2.0 without SP and nothing else", Product(), {RegAdd(kK20, "Install", "REG_DWORD", "1")}, kFrameworkMissing,
         {".NET 2.0 Detected SP -1", ".NET Version Not OK .NET 2 0"}, "Free Disk Space"},
        {"2.0 Install written as text", Product(),
         {RegAdd(kK20, "Install", "REG_SZ", "1"), RegAdd(kK20, "SP", "REG_DWORD", "1")}, kFrameworkMissing,
         {".NET Version Not OK .NET 2 0"}, ".NET 2.0 Detected"},
        {"2.0 in the other registry view only", Product(),
         {RegAdd(kK20, "Install", "REG_DWORD", "1", " /reg:32"), RegAdd(kK20, "SP", "REG_DWORD", "1", " /reg:32")},
         kFrameworkMissing, {".NET Version Not OK .NET 2 0"}, ".NET 2.0 Detected"},
        {"4.0 Full with the Client key's Version 4.5", Product(),
         {RegAdd(kK4F, "Install", "REG_DWORD", "1"), RegAdd(kK4C, "Version", "REG_SZ", "4.5.50709")}, 0,
         {".NET 4.0 Full Detected SP 5", ".NET Version OK"}, ".NET 4.0 Client Detected"},
        {"only 4.5 Full accepted, 4.5 installed", Variant("vellox_net45_full_only"),
         {RegAdd(kK4F, "Install", "REG_DWORD", "1"), RegAdd(kK4C, "Version", "REG_SZ", "4.5.50709")}, 0,
         {".NET 2.0 -1", ".NET 4.5 Full ", ".NET 4.5 Full Detected SP 5", ".NET Version OK"}, ".NET 4.0 Full Detected"},
        {"only 4.5 Full accepted, 4.0 installed", Variant("vellox_net45_full_only"),
         {RegAdd(kK4F, "Install", "REG_DWORD", "1"), RegAdd(kK4F, "Servicing", "REG_DWORD", "1"),
          RegAdd(kK4C, "Version", "REG_SZ", "4.0.30319")},
         kFrameworkMissing, {".NET Version Not OK .NET (full) 4.5 0"}, ".NET 4.5 Full Detected"},
        {"a Version of 129 characters is read", Product(),
         {RegAdd(kK4F, "Install", "REG_DWORD", "1"), RegAdd(kK4F, "Servicing", "REG_DWORD", "1"),
          RegAdd(kK4C, "Version", "REG_SZ", version129)},
         0, {".NET 4.0 Full Detected SP 5"}, ".NET 4.0 Full Detected SP 1"},
        {"a Version of 130 characters is not", Product(),
         {RegAdd(kK4F, "Install", "REG_DWORD", "1"), RegAdd(kK4F, "Servicing", "REG_DWORD", "1"),
          RegAdd(kK4C, "Version", "REG_SZ", version130)},
         0, {".NET 4.0 Full Detected SP 1"}, ".NET 4.0 Full Detected SP 5"},
    };

    const fs::path prefix = PrivatePrefix();
    for (const auto& c : cases) {
        for (const char* view : {"", " /reg:32"})
            WineCommand("reg delete 'HKLM\\Software\\Microsoft\\NET Framework Setup' /f" + std::string(view), prefix);
        for (const auto& command : c.registry)
            ASSERT_EQ(WineCommand("reg " + command, prefix), 0) << c.what << ": " << command;

        const RunResult result = RunSilent(c.exe, "", {.prefix = prefix});
        ASSERT_TRUE(result.exitCode.has_value()) << c.what << ": " << result.raw;
        EXPECT_EQ(*result.exitCode, c.exitCode) << c.what;
        const auto lines = LogLines();
        auto from = lines.begin();
        for (const auto& line : c.lines) {
            from = std::find(from, lines.end(), line);
            EXPECT_NE(from, lines.end()) << c.what << ": missing or out of order: " << line;
        }
        EXPECT_EQ(LineStarting(lines, c.absent), nullptr) << c.what << ": " << c.absent;
        EXPECT_TRUE(result.dialogs.empty()) << c.what;
    }
}

TEST_F(ChecksE2eTest, AdministratorCheckFollowsTheBuildsSwitch)
{
    const struct {
        const char* what;
        fs::path exe;
        bool standardUser;
        std::uint32_t exitCode;
    } cases[] = {
        {"administrator", Product(), false, 0},
        {"standard user", Product(), true, kNotAdministrator},
        {"standard user, switch 0", Variant("vellox_no_admin_check"), true, 0},
    };
    for (const auto& c : cases) {
        const RunResult result = c.standardUser ? RunSilentAsStandardUser(c.exe) : RunSilent(c.exe);
        ASSERT_TRUE(result.exitCode.has_value()) << c.what << ": " << result.raw;
        EXPECT_EQ(*result.exitCode, c.exitCode) << c.what;
        const auto lines = LogLines();
        // The administrator check comes first: on failure nothing of the
        // framework check is logged.
        EXPECT_EQ(LineStarting(lines, ".NET 2.0 ") != nullptr, c.exitCode == 0) << c.what;
        EXPECT_EQ(HasLine(lines, "Free disk space requirement passed."), c.exitCode == 0) << c.what;
    }
}

TEST_F(ChecksE2eTest, WindowsInstallerIsCheckedOnlyBeforeXp)
{
    const fs::path prefix = PrivatePrefix();
    ASSERT_EQ(WineCommand("reg add 'HKCU\\Software\\Wine' /v Version /t REG_SZ /d win2k /f", prefix), 0);

    // Wine's own MSI.DLL carries version 4.5.
    RunResult result = RunSilent(Product(), "", {.prefix = prefix});
    ASSERT_TRUE(result.exitCode.has_value()) << result.raw;
    EXPECT_EQ(*result.exitCode, 0u);

    // An MSI.DLL without a version resource; the override makes Wine read
    // the file instead of answering for its built-in library.
    fs::copy_file(Variant("fake_installer"), prefix / "drive_c" / "windows" / "system32" / "msi.dll",
                  fs::copy_options::overwrite_existing);
    result = RunSilent(Product(), "", {.environment = {{"WINEDLLOVERRIDES", "mscoree,mshtml=;msi=n"}}, .prefix = prefix});
    ASSERT_TRUE(result.exitCode.has_value()) << result.raw;
    EXPECT_EQ(*result.exitCode, kInstallerTooOld);
    const auto lines = LogLines();
    EXPECT_TRUE(HasLine(lines, ".NET Version OK"));
    EXPECT_FALSE(HasLine(lines, "Free Disk Space"));

    // From XP on, the file plays no part.
    ASSERT_EQ(WineCommand("reg add 'HKCU\\Software\\Wine' /v Version /t REG_SZ /d winxp64 /f", prefix), 0);
    result = RunSilent(Product(), "", {.environment = {{"WINEDLLOVERRIDES", "mscoree,mshtml=;msi=n"}}, .prefix = prefix});
    ASSERT_TRUE(result.exitCode.has_value()) << result.raw;
    EXPECT_EQ(*result.exitCode, 0u);
}

TEST_F(ChecksE2eTest, TooLittleDiskSpaceStopsWithTheFigures)
{
    const RunResult result = RunSilent(Variant("vellox_huge_disk"));
    ASSERT_TRUE(result.exitCode.has_value()) << result.raw;
    EXPECT_EQ(*result.exitCode, kDiskFull);
    const auto lines = LogLines();
    const std::string* checking = LineStarting(lines, "Free Disk Space: Checking at least 2000000000 MB free on drive 'C:'");
    ASSERT_NE(checking, nullptr) << ReadFile(LogPath());
    EXPECT_TRUE(checking->ends_with("\\Temp\\'")) << *checking;

    const std::string prefix = "Insufficient disk space: 2000000000 MB required but only ";
    const std::string* insufficient = LineStarting(lines, prefix);
    ASSERT_NE(insufficient, nullptr) << ReadFile(LogPath());
    ASSERT_TRUE(insufficient->ends_with(" MB free.")) << *insufficient;
    // Drive C: is the prefix's folder on this machine's disk.
    const std::uint64_t reported = std::stoull(insufficient->substr(prefix.size()));
    const std::uint64_t available = fs::space(WorkDir()).available / (1024 * 1024);
    EXPECT_LE(reported > available ? reported - available : available - reported, available / 100 + 64)
        << "Wine reported " << reported << " MB, the host " << available << " MB";
}

TEST_F(ChecksE2eTest, DriveComesFromTheBaseFolder)
{
    const std::string longName(256, 'a');
    const struct {
        const char* what;
        std::string folder;
        std::uint32_t exitCode;
        std::string line;
    } cases[] = {
        {"another drive", WinPath(Dir()), 0, "Free Disk Space: Checking at least 500 MB free on drive 'Z:'"},
        {"a name too long for the splitter", "C:\\" + longName, kDiskFull,
         "Failed to parse directory for free disk space check. C:\\" + longName},
    };
    for (const auto& c : cases) {
        const RunResult result = RunSilent(Product(), " temp " + c.folder);
        ASSERT_TRUE(result.exitCode.has_value()) << c.what << ": " << result.raw;
        EXPECT_EQ(*result.exitCode, c.exitCode) << c.what;
        EXPECT_NE(LineStarting(LogLines(), c.line), nullptr) << c.what << ": " << ReadFile(LogPath());
    }
}

}  // namespace
}  // namespace e2e
