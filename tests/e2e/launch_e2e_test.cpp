// Starting the installer program: the fake installer in the payload records
// what it was given, and its exit code must come back unchanged.
#include "signing.h"
#include "wine_harness.h"

#include <algorithm>
#include <cstdlib>

namespace e2e {
namespace {

class LaunchE2eTest : public WineTest {
protected:
    fs::path LogPath() const { return Dir() / "setup.log"; }
    fs::path RecordPath() const { return Dir() / "installer-record.txt"; }
    fs::path Base() const { return Dir() / "base"; }

    // A silent run of exe with the log and a base folder of this test's own.
    RunResult RunSilent(const fs::path& exe, std::map<std::string, std::string> environment = {},
                        const std::string& extra = "")
    {
        fs::create_directories(Base());
        environment["VELLOX_FAKE_RECORD"] = WinPath(RecordPath());
        return Run(exe, "log " + WinPath(LogPath()) + " /IAgreeToTheEULA temp " + WinPath(Base()) + extra,
                   {.timeoutMs = 60000, .environment = environment});
    }

    std::vector<std::string> LogLines() const { return Lines(ReadFile(LogPath())); }
    long IndexOf(const std::string& prefix) const
    {
        const auto lines = LogLines();
        const auto found = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.starts_with(prefix); });
        return found == lines.end() ? -1 : found - lines.begin();
    }
    std::string Recorded(const std::string& key) const
    {
        for (const auto& line : Lines(ReadFile(RecordPath()))) {
            if (line.starts_with(key + "="))
                return line.substr(key.size() + 1);
        }
        return {};
    }
    std::vector<std::string> RecordedFiles() const
    {
        std::vector<std::string> files;
        for (const auto& line : Lines(ReadFile(RecordPath()))) {
            if (line.starts_with("file="))
                files.push_back(line.substr(5));
        }
        std::sort(files.begin(), files.end());
        return files;
    }
    bool BaseIsEmpty() const { return fs::is_empty(Base()); }
};

TEST_F(LaunchE2eTest, InstallerGetsTheQuotedTargetTheForwardedLineAndTheTemporaryFolder)
{
    // The worked example's options, with an information block appended.
    const fs::path exe = Dir() / "setup.exe";
    fs::copy_file(SignedExe(), exe);
    WriteFile(Dir() / "information.xml", "<info/>");
    const std::string tool = (Win64Dir() / "host-tools" / "vellox-append-info").string();
    ASSERT_EQ(std::system(("'" + tool + "' '" + exe.string() + "' '" + (Dir() / "information.xml").string() + "'").c_str()), 0);
    fs::create_directories(Base());
    const RunResult result =
        Run(exe, "log " + WinPath(LogPath()) + " /IAgreeToTheEULA",
            {.environment = {{"VELLOX_FAKE_RECORD", WinPath(RecordPath())}, {"TEMP", WinPath(Base())},
                             {"TMP", WinPath(Base())}}});
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw << ReadFile(LogPath());

    const std::string folder = Recorded("cwd");
    ASSERT_FALSE(folder.empty()) << ReadFile(LogPath());
    // The folder is a GUID in braces under the base folder.
    const std::string name = folder.substr(folder.rfind('\\') + 1);
    EXPECT_EQ(name.size(), 38u) << folder;
    EXPECT_EQ(name.front(), '{');
    const std::string commandLine = "\"" + folder + "\\tarnwick.wizard.exe\" /IAgreeToTheEULA /log \"" +
                                    WinPath(LogPath()) + "\" TW_I=\"Mini\" ";
    EXPECT_EQ(Recorded("commandline"), commandLine);
    EXPECT_EQ(RecordedFiles(),
              (std::vector<std::string>{"info.xml", "projectitems.xml", "tarnwick.wizard.exe", "tarnwick.wizard.exe.config"}));
    EXPECT_GE(IndexOf("RunProgram program '" + commandLine + "'"), 0) << ReadFile(LogPath());
    EXPECT_GE(IndexOf("RunProgram returned 0"), 0);
}

TEST_F(LaunchE2eTest, ExitCodeOfTheInstallerIsTheBootstrappers)
{
    const struct {
        const char* code;
        std::uint32_t expected;
        const char* logged;
    } cases[] = {
        {"0", 0, "RunProgram returned 0"},
        {"5", 5, "RunProgram returned 5"},
        {"0xFFFFFFFF", 0xFFFFFFFF, "RunProgram returned -1"},
        {"0x80131700", 0x80131700, "RunProgram returned -2146232576"},
    };
    for (const auto& c : cases) {
        const RunResult result = RunSilent(SignedExe(), {{"VELLOX_FAKE_EXIT", c.code}});
        ASSERT_TRUE(result.exitCode.has_value()) << result.raw;
        EXPECT_EQ(*result.exitCode, c.expected) << c.code;
        EXPECT_GE(IndexOf(c.logged), 0) << c.code << "\n" << ReadFile(LogPath());
        EXPECT_TRUE(BaseIsEmpty()) << "the temporary folder was not removed";
    }
}

TEST_F(LaunchE2eTest, LogIsClosedWhileTheInstallerRunsAndAppendedToAfterIt)
{
    const RunResult result = RunSilent(SignedExe(), {{"VELLOX_FAKE_APPEND_LOG", WinPath(LogPath())}});
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw;
    const long started = IndexOf("RunProgram program '");
    const long installer = IndexOf("Fake installer was here");
    const long returned = IndexOf("RunProgram returned 0");
    ASSERT_GE(started, 0) << ReadFile(LogPath());
    EXPECT_LT(started, installer) << ReadFile(LogPath());
    EXPECT_LT(installer, returned) << ReadFile(LogPath());
    EXPECT_LT(returned, IndexOf("Ended "));
}

TEST_F(LaunchE2eTest, InstallerWithAWindowEndsNormally)
{
    const RunResult result =
        RunSilent(SignedExe(), {{"VELLOX_FAKE_WINDOW_MS", "200"}, {"VELLOX_FAKE_EXIT", "7"}});
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(7u)) << result.raw;
    EXPECT_GE(IndexOf("RunProgram returned 7"), 0);
}

TEST_F(LaunchE2eTest, DontRunStartsNothingAndStillRemovesTheFolder)
{
    const RunResult result = RunSilent(SignedExe(), {}, " /dontrun");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw;
    EXPECT_FALSE(fs::exists(RecordPath()));
    EXPECT_EQ(IndexOf("RunProgram"), -1);
    EXPECT_GE(IndexOf("Remove folder 'Yes'"), 0);
    EXPECT_TRUE(BaseIsEmpty());
}

TEST_F(LaunchE2eTest, PayloadWithoutAProgramFailsToStart)
{
    const RunResult result = RunSilent(SignedVariant("vellox_no_program"));
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0x80070057u)) << result.raw << ReadFile(LogPath());
    EXPECT_GE(IndexOf("RunProgram program '\"\" "), 0) << ReadFile(LogPath());
    EXPECT_GE(IndexOf("Run Program returned error"), 0);
    EXPECT_TRUE(BaseIsEmpty());
}

TEST_F(LaunchE2eTest, ProcessorModeThatDoesNotFitStartsNothing)
{
    // The x86_64 build runs without WOW64, i.e. as on 32-bit Windows, where
    // an installer that needs 64-bit Windows is refused.
    const RunResult result = RunSilent(SignedVariant("vellox_x64_mode"));
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0x80004004u)) << result.raw << ReadFile(LogPath());
    EXPECT_FALSE(fs::exists(RecordPath()));
    const long type = IndexOf("ProgramType 'x64'");
    EXPECT_GE(type, 0) << ReadFile(LogPath());
    EXPECT_EQ(IndexOf("Swapping to x64"), type + 1);
    EXPECT_EQ(IndexOf("Incorrect processor mode with installation type"), type + 2);
    EXPECT_EQ(IndexOf("Run Program, Failed to set processor mode"), type + 3);
    EXPECT_GE(IndexOf("Corvane failed to switch into processor mode (x64)"), 0);
    EXPECT_TRUE(BaseIsEmpty());
}

}  // namespace
}  // namespace e2e
