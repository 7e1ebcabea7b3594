// The start-up sequence, command line and log of the real executable.
#include "signing.h"
#include "wine_harness.h"

#include <algorithm>

namespace e2e {
namespace {

class StartupE2eTest : public WineTest {
protected:
    // Signed: an unsigned bootstrapper stops a silent run at the signature.
    fs::path Exe() const { return SignedExe(); }
    fs::path LogPath() const { return Dir() / "setup.log"; }

    std::vector<std::string> LogLines() const { return Lines(ReadFile(LogPath())); }

    static long Count(const std::vector<std::string>& lines, const std::string& line)
    {
        return std::count(lines.begin(), lines.end(), line);
    }
};

TEST_F(StartupE2eTest, HelpRequestFailsWithTheFullCodeBeforeStarted)
{
    const struct {
        const char* help;
        long askLines;
    } cases[] = {{"?", 1}, {"/?", 2}};
    for (const auto& c : cases) {
        // Not silent: the report is shown and answered by the driver.
        const RunResult result = Run(Exe(), "log " + WinPath(LogPath()) + " " + c.help, {.presses = {2}});
        ASSERT_TRUE(result.exitCode.has_value()) << result.raw;
        EXPECT_EQ(*result.exitCode, 0x80030057u) << c.help;
        ASSERT_EQ(result.dialogs.size(), 1u) << result.raw;
        EXPECT_EQ(result.dialogs[0].rfind("Corvane|", 0), 0u) << result.dialogs[0];
        const auto lines = LogLines();
        EXPECT_EQ(Count(lines, "Ask for help"), c.askLines) << c.help;
        EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Started"); }));
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Ended "); }));
    }
}

TEST_F(StartupE2eTest, LogHoldsBothParsesAndStartedEndedWithCrLf)
{
    const std::string logArg = WinPath(LogPath());
    WriteFile(LogPath(), "stale contents that must go\r\n");
    const RunResult result = Run(Exe(), "log " + logArg + " /IAgreeToTheEULA");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw;
    EXPECT_TRUE(result.dialogs.empty());

    const std::string text = ReadFile(LogPath());
    EXPECT_EQ(text.find("stale"), std::string::npos);
    // Every line feed is preceded by a carriage return, and there is no bare CR.
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << "bare LF at " << at;
    const auto lines = LogLines();
    const std::string first = "Command line params /IAgreeToTheEULA /log \"" + logArg + "\" TW_I=\"\" ";
    const std::string second = "Command line params /IAgreeToTheEULA /log \"" + logArg + "\" TW_I=\"Mini\" ";
    const auto at = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    const auto startsAt = [&](const std::string& prefix) {
        return std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); }) -
               lines.begin();
    };
    const long n = static_cast<long>(lines.size());
    ASSERT_LT(at(first), n) << text;
    ASSERT_LT(at(second), n) << text;
    EXPECT_LT(at(first), startsAt("Started "));
    EXPECT_LT(startsAt("Started "), at("Run Embedded Resources "));
    EXPECT_LT(at("Run Embedded Resources "), at(second));
    EXPECT_LT(at(second), startsAt("Ended "));
    EXPECT_EQ(startsAt("Ended "), n - 1);
    // The default base folder is the user's temporary folder.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.starts_with("Temp folder 'C:\\users\\") && l.ends_with("\\Temp\\'");
                            }),
              2)
        << text;
}

// A log path with characters that the ANSI code page (1252 in the test
// prefix) lacks. Converted with best fit, the fullwidth letter x and the
// fullwidth reverse solidus became "x" and a backslash, so the log truncated
// a file the path did not name; an unmappable character becomes "?", which
// after two backslashes makes the Win32 namespace prefix \\?\ (seen under
// Wine: an ANSI open of \\?\Z:\... opens that file). None of these paths
// may open a file: each file here keeps its bytes, and the run goes on.
TEST_F(StartupE2eTest, LogPathOutsideTheCodePageOpensNoFile)
{
    // UTF-8, as the driver reads the command line.
    const std::string fullwidthX = "\xEF\xBD\x98";          // U+FF58
    const std::string fullwidthBackslash = "\xEF\xBC\xBC";  // U+FF3C
    const std::string unmappable = "\xE4\xB8\x80";          // U+4E00
    fs::create_directories(Dir() / "logs");
    fs::create_directories(Dir() / "u2" / "sub");
    const struct {
        const char* what;
        fs::path victim;
        std::string logArgument;
    } cases[] = {
        {"fullwidth letter", Dir() / "logs" / "x.log", WinPath(Dir() / "logs") + "\\" + fullwidthX + ".log"},
        {"fullwidth reverse solidus", Dir() / "target.txt",
         WinPath(Dir() / "u2" / "sub") + "\\.." + fullwidthBackslash + ".." + fullwidthBackslash + "target.txt"},
        {"default character making \\\\?\\", Dir() / "target2.txt",
         "\\\\" + unmappable + "\\" + WinPath(Dir() / "target2.txt")},
    };
    for (const auto& c : cases) {
        WriteFile(c.victim, "precious\r\n");
        const RunResult result = Run(Exe(), "log " + c.logArgument + " /IAgreeToTheEULA");
        ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << c.what << "\n" << result.raw;
        EXPECT_EQ(ReadFile(c.victim), "precious\r\n") << c.what;
    }
}

TEST_F(StartupE2eTest, RunWithoutLogWritesNoFile)
{
    // The program runs with this test's folder as its current directory.
    const RunResult result = Run(Exe(), "/IAgreeToTheEULA /dontrun");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw;
    for (const auto& entry : fs::directory_iterator(Dir())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name.starts_with("command") || name.starts_with("result") || name.starts_with("driver"))
            << "unexpected file " << name;
    }
}

}  // namespace
}  // namespace e2e
