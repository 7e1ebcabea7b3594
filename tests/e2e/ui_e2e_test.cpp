// The dialogs on a real (virtual) screen: the message dialog in both forms,
// the about box from the system menu, the temporary-folder prompt and the
// splash. The preview program shows each dialog on its own; the real
// executable shows its report for a bad command line. Every dialog is
// photographed into <work>/screenshots.
#include "signing.h"
#include "wine_harness.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace e2e {
namespace {

const char* const kWineServer = "/usr/lib/wine/wineserver";

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

struct Control {
    int id = 0;
    std::string className;
    bool visible = false;
    std::string text;
};

struct DialogRecord {
    std::string title;
    std::uint32_t style = 0;
    std::vector<Control> controls;
    int focus = 0;
    int defaultId = 0;
    std::string selection;

    const Control* Find(int id) const
    {
        for (const auto& control : controls) {
            if (control.id == id)
                return &control;
        }
        return nullptr;
    }
};

struct UiRun {
    std::optional<std::uint32_t> exitCode;
    bool timedOut = false;
    std::string failedStep;
    std::vector<DialogRecord> dialogs;
    std::string raw;
};

UiRun Parse(const std::string& raw)
{
    UiRun run;
    run.raw = raw;
    for (const auto& line : Lines(raw)) {
        const auto value = [&](std::size_t prefix) { return line.substr(prefix); };
        if (line.starts_with("dialog=")) {
            run.dialogs.push_back({});
            run.dialogs.back().title = value(7);
        } else if (line.starts_with("exit=")) {
            run.exitCode = static_cast<std::uint32_t>(std::stoul(value(5)));
        } else if (line == "timeout") {
            run.timedOut = true;
        } else if (line.starts_with("failed=")) {
            run.failedStep = value(7);
        } else if (!run.dialogs.empty()) {
            DialogRecord& dialog = run.dialogs.back();
            if (line.starts_with("style=")) {
                dialog.style = static_cast<std::uint32_t>(std::stoul(value(6), nullptr, 16));
            } else if (line.starts_with("focus=")) {
                dialog.focus = std::stoi(value(6));
            } else if (line.starts_with("default=")) {
                dialog.defaultId = std::stoi(value(8));
            } else if (line.starts_with("selection=")) {
                dialog.selection = value(10);
            } else if (line.starts_with("control=")) {
                // id|class|visible|text (the text may hold '|')
                const std::string rest = value(8);
                const auto a = rest.find('|');
                const auto b = rest.find('|', a + 1);
                const auto c = rest.find('|', b + 1);
                dialog.controls.push_back(
                    {std::stoi(rest.substr(0, a)), rest.substr(a + 1, b - a - 1), rest[b + 1] == '1', rest.substr(c + 1)});
            }
        }
    }
    return run;
}

class UiE2eTest : public WineTest {
protected:
    // A prefix of the dialog tests' own, copied once per prepared run from
    // the set-up's template of the shared one (never in use), with the
    // dialogs' font added: without Tahoma Wine lays the dialogs out in a
    // wider font.
    static void SetUpTestSuite()
    {
        fs::create_directories(ShotsDir());
        const fs::path prefix = SuitePrefix();
        const fs::path stamp = prefix / "copied-for-display";
        const std::string run = ReadFile(WorkDir() / "display") +
                                std::to_string(fs::last_write_time(WorkDir() / "display").time_since_epoch().count());
        // A warm server for the suite: no session starts or ends between its
        // commands (one that starts while the last one shuts down can fail).
        const std::string serve =
            "WINEPREFIX=" + Quote(prefix.string()) + " " + kWineServer + " -p >/dev/null 2>&1 </dev/null";
        if (fs::exists(stamp) && ReadFile(stamp) == run) {
            [[maybe_unused]] const int status = std::system(serve.c_str());
            return;
        }
        const std::string copy = "rm -rf " + Quote(prefix.string()) + " && cp -a " +
                                 Quote((WorkDir() / "prefix-template").string()) + " " + Quote(prefix.string()) + " && " +
                                 CopyFontsCommand(prefix);
        if (std::system(copy.c_str()) != 0)
            std::fprintf(stderr, "could not prepare the dialog tests' prefix\n");
        WriteFile(stamp, run);
        [[maybe_unused]] const int status = std::system(serve.c_str());
    }
    static std::string CopyFontsCommand(const fs::path& prefix)
    {
        return "cp /usr/share/wine/fonts/tahoma*.ttf " + Quote((prefix / "drive_c" / "windows" / "Fonts").string());
    }
    static void TearDownTestSuite()
    {
        const std::string server = "WINEPREFIX=" + Quote(SuitePrefix().string()) + " " + kWineServer;
        const std::string stop = server + " -k >/dev/null 2>&1; " + server + " -w >/dev/null 2>&1";
        [[maybe_unused]] const int status = std::system(stop.c_str());
    }

    static fs::path SuitePrefix() { return WorkDir() / "ui-prefix"; }
    static fs::path ShotsDir() { return WorkDir() / "screenshots"; }
    static fs::path Preview() { return Win64Dir() / "tests" / "ui_preview" / "ui_preview.exe"; }
    // Signed: an unsigned bootstrapper asks about its signature first.
    static fs::path Exe() { return SignedExe(); }

    // Runs "<exe> <arguments>" under the dialog driver with the given steps;
    // photographs the screen whenever a step asks for it.
    UiRun RunUi(const fs::path& exe, const std::string& arguments, const std::vector<std::string>& steps,
                unsigned timeoutMs = 30000, const fs::path& prefix = {}, const std::string& environment = {})
    {
        static int counter = 0;
        const std::string id = std::to_string(++counter);
        const fs::path commandFile = Dir() / ("ui-command" + id + ".txt");
        const fs::path resultFile = Dir() / ("ui-result" + id + ".txt");
        const fs::path shotFile = Dir() / ("ui-result" + id + ".txt.shot");
        WriteFile(commandFile, "\"" + WinPath(exe) + "\" " + arguments + "\n");
        fs::remove(resultFile);

        const std::string display = Trimmed(ReadFile(WorkDir() / "display"));
        std::string command = "cd " + Quote(Dir().string()) + " && " + environment + " WINEPREFIX=" + Quote((prefix.empty() ? SuitePrefix() : prefix).string()) +
                              " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' DISPLAY=" + Quote(display) +
                              " timeout " + std::to_string(timeoutMs / 1000 + 60) + " /usr/lib/wine/wine64 " +
                              Quote((Win64Dir() / "tests" / "ui_preview" / "dialog_driver.exe").string()) + " " +
                              Quote(WinPath(commandFile)) + " " + Quote(WinPath(resultFile)) + " " +
                              std::to_string(timeoutMs);
        for (const auto& step : steps)
            command += " " + Quote(step);
        const fs::path driverOut = Dir() / ("ui-driver" + id + ".out");
        command += " >" + Quote(driverOut.string()) + " 2>&1 </dev/null";

        std::atomic<bool> done = false;
        int status = 0;
        std::thread driver([&] {
            status = std::system(command.c_str());
            done = true;
        });
        while (!done) {
            if (fs::exists(shotFile)) {
                const std::string name = Trimmed(ReadFile(shotFile));
                const fs::path full = ShotsDir() / (name + ".full.png");
                const std::string shot = "DISPLAY=" + Quote(display) + " import -window root " + Quote(full.string()) +
                                         " && convert " + Quote(full.string()) + " -trim +repage " +
                                         Quote((ShotsDir() / (name + ".png")).string());
                EXPECT_EQ(std::system(shot.c_str()), 0) << "screenshot " << name;
                fs::remove(shotFile);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        driver.join();
        UiRun run = Parse(ReadFile(resultFile));
        // A driver that wrote no result: what it and Wine said instead.
        if (!run.exitCode && !run.timedOut && run.failedStep.empty())
            run.raw += "driver status " + std::to_string(status) + ", its output:\n" + ReadFile(driverOut);
        EXPECT_EQ(run.failedStep, "") << run.raw;
        return run;
    }
};

constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kMessage = 1000;
constexpr int kLink = 1001;
constexpr int kHeading = 1003;
constexpr int kFolder = 1005;

void ExpectErrorForm(const DialogRecord& dialog, const std::string& message, const std::string& link)
{
    EXPECT_EQ(dialog.title, "Corvane");
    ASSERT_TRUE(dialog.Find(kHeading) && dialog.Find(kMessage) && dialog.Find(kLink) && dialog.Find(kOk) &&
                dialog.Find(kCancel));
    EXPECT_EQ(dialog.Find(kHeading)->text, "Error");
    EXPECT_EQ(dialog.Find(kMessage)->text, message);
    EXPECT_EQ(dialog.Find(kLink)->text, link);
    EXPECT_FALSE(dialog.Find(kOk)->visible);
    EXPECT_TRUE(dialog.Find(kCancel)->visible);
    EXPECT_EQ(dialog.Find(kCancel)->text, "Cancel");
    EXPECT_EQ(dialog.defaultId, kCancel);
    EXPECT_EQ(dialog.focus, kCancel);
}

TEST_F(UiE2eTest, InstallerExitCode5ShowsPaddedCodeOnlyCancelAndNoLink)
{
    const UiRun run = RunUi(Preview(), "report 0 5", {"wait", "shot:report-installer-exit-5", "close"});
    ASSERT_EQ(run.dialogs.size(), 1u) << run.raw;
    ExpectErrorForm(run.dialogs[0], "Corvane failed with exit code 0x       5.", "");
    EXPECT_EQ(run.exitCode, std::optional<std::uint32_t>(0u)) << run.raw;
}

TEST_F(UiE2eTest, FrameworkReportsCarryTheirDownloadLinks)
{
    const struct {
        const char* name;
        const char* arguments;
        const char* message;
        const char* link;
    } cases[] = {
        {"report-net-missing", "report 0x80110409 0 \".NET 4\" 4 1",
         "Corvane requires .NET 4 SP 1. Please download from the Microsoft Download Center and retry.",
         "http://www.microsoft.com/en-gb/download/details.aspx?id=30653"},
        {"report-runtime-failed", "report 0 0x80131700 \".NET 2\" 2 0",
         "Corvane requires .NET 2. Please download from the Microsoft Download Center and retry.\\r\\n(.NET 4 was "
         "detected.)",
         "http://www.microsoft.com/en-us/download/details.aspx?id=16614"},
    };
    for (const auto& c : cases) {
        const UiRun run = RunUi(Preview(), c.arguments, {"wait", std::string("shot:") + c.name, "press:2"});
        ASSERT_EQ(run.dialogs.size(), 1u) << run.raw;
        ExpectErrorForm(run.dialogs[0], c.message, c.link);
        EXPECT_TRUE(run.dialogs[0].Find(kLink)->visible) << c.name;
    }
}

TEST_F(UiE2eTest, RealRunWithoutFrameworkReportsAndLogsTheMessageWithItsLink)
{
    // Without any .NET Framework registered the run stops at the check and
    // reports the build's first requirement.
    const fs::path prefix = PrivatePrefix();
    ASSERT_EQ(WineCommand("reg delete 'HKLM\\Software\\Microsoft\\NET Framework Setup\\NDP' /f", prefix), 0);
    ASSERT_EQ(std::system(CopyFontsCommand(prefix).c_str()), 0);
    const fs::path log = Dir() / "setup.log";
    const UiRun run = RunUi(Exe(), "log " + WinPath(log), {"wait", "shot:run-net-missing", "press:2"}, 30000, prefix);
    ASSERT_EQ(run.dialogs.size(), 1u) << run.raw;
    const std::string message = "Corvane requires .NET 2. Please download from the Microsoft Download Center and retry.";
    ExpectErrorForm(run.dialogs[0], message, "http://www.microsoft.com/en-us/download/details.aspx?id=16614");
    EXPECT_EQ(run.exitCode, std::optional<std::uint32_t>(0x80110409u)) << run.raw;
    const auto lines = Lines(ReadFile(log));
    const auto at = std::find(lines.begin(), lines.end(), message);
    ASSERT_NE(at, lines.end()) << ReadFile(log);
    EXPECT_TRUE(std::next(at) != lines.end() && std::next(at)->starts_with("Ended ")) << ReadFile(log);
}

TEST_F(UiE2eTest, QuestionFormAnswersYesOnlyWithTheYesButton)
{
    const std::string arguments = "question \"The file is not signed.\" \"Verification of Corvane failed. Do you wish continue?\"";
    const struct {
        const char* answer;
        std::uint32_t result;
    } cases[] = {{"press:1", 1}, {"press:2", 2}, {"close", 2}};
    for (const auto& c : cases) {
        const UiRun run = RunUi(Preview(), arguments, {"wait", "shot:question", c.answer});
        ASSERT_EQ(run.dialogs.size(), 1u) << run.raw;
        const DialogRecord& dialog = run.dialogs[0];
        EXPECT_EQ(dialog.Find(kHeading)->text, "Verification of Corvane failed. Do you wish continue?");
        EXPECT_EQ(dialog.Find(kMessage)->text, "The file is not signed.");
        EXPECT_EQ(dialog.Find(kOk)->text, "Yes");
        EXPECT_EQ(dialog.Find(kCancel)->text, "No");
        EXPECT_TRUE(dialog.Find(kOk)->visible && dialog.Find(kCancel)->visible);
        // "No" is the default, and the focus is there too, so Enter says No.
        EXPECT_EQ(dialog.defaultId, kCancel);
        EXPECT_EQ(dialog.focus, kCancel);
        EXPECT_EQ(run.exitCode, std::optional<std::uint32_t>(c.result)) << c.answer;
    }
}

TEST_F(UiE2eTest, BadCommandLineReportOpensTheAboutBoxFromTheSystemMenu)
{
    // The menu's texts cannot be read from another process under Wine: the
    // photograph of the open menu shows the item, the unit tests its text.
    const UiRun run = RunUi(Exe(), "/?",
                            {"wait", "shot:report-usage", "sysmenu", "pause:300", "shot:system-menu", "endmenu",
                             "syscommand:0x10", "wait", "shot:about", "press:1", "gone", "record", "shot:report-after-about", "press:2"});
    ASSERT_EQ(run.dialogs.size(), 3u) << run.raw;
    ExpectErrorForm(run.dialogs[0],
                    "Command line '/?' incorrect.\\nValid switches include:- \\n\\textract [path]\\tlog "
                    "[path]\\ttemp [path]\\n\\nExample\\n\\t log c:\\log.txt /IAgreeToTheEULA",
                    "");
    const DialogRecord& about = run.dialogs[1];
    EXPECT_EQ(about.title, "About Corvane");
    ASSERT_TRUE(about.Find(1001) && about.Find(1002));
    EXPECT_EQ(about.Find(1001)->text, "Corvane Version 1.8.2.615");
    EXPECT_FALSE(about.Find(1002)->text.empty());
    EXPECT_EQ(about.defaultId, kOk);
    // The report is still there after the about box closed.
    EXPECT_EQ(run.dialogs[2].Find(kMessage)->text, run.dialogs[0].Find(kMessage)->text);
    EXPECT_EQ(run.exitCode, std::optional<std::uint32_t>(0x80030057u)) << run.raw;
}

TEST_F(UiE2eTest, TempFolderPromptStartsWithTheRootSelectedAndHandsBackWhatWasTyped)
{
    const std::string root = "C:\\users\\Public\\Temp";  // no trailing backslash: it would escape the quote
    const fs::path answer = Dir() / "answer.txt";
    const std::string arguments = "tempfolder \"" + root + "\" \"" + WinPath(answer) + "\"";
    const struct {
        const char* what;
        std::vector<std::string> steps;
        std::uint32_t result;
        std::optional<std::string> answer;
    } cases[] = {
        {"OK with a new folder", {"wait", "shot:temp-folder", "settext:1005:D:\\setup", "press:1"}, 1, "D:\\setup"},
        {"OK unchanged", {"wait", "press:1"}, 1, root},
        {"OK with an empty field", {"wait", "settext:1005:", "press:1"}, 1, ""},
        {"Cancel", {"wait", "settext:1005:D:\\setup", "press:2"}, 2, std::nullopt},
        {"close box", {"wait", "close"}, 2, std::nullopt},
    };
    for (const auto& c : cases) {
        fs::remove(answer);
        const UiRun run = RunUi(Preview(), arguments, c.steps);
        ASSERT_EQ(run.dialogs.size(), 1u) << run.raw;
        const DialogRecord& dialog = run.dialogs[0];
        EXPECT_EQ(dialog.title, "Corvane");
        ASSERT_TRUE(dialog.Find(kFolder));
        EXPECT_EQ(dialog.Find(kFolder)->text, root);
        EXPECT_EQ(dialog.focus, kFolder);
        EXPECT_EQ(dialog.selection, "0," + std::to_string(root.size()));
        EXPECT_EQ(dialog.defaultId, kOk);
        EXPECT_EQ(run.exitCode, std::optional<std::uint32_t>(c.result)) << c.what;
        if (c.answer)
            EXPECT_EQ(ReadFile(answer), *c.answer) << c.what;
        else
            EXPECT_FALSE(fs::exists(answer)) << c.what;
    }
}

// The real run's prompt, after a base whose parent is missing failed its
// probe. A relative answer is resolved against the current directory (this
// test's folder) like the temp option: the folder is made there, the
// installer starts in it and the removal finds it again. (Taken as typed,
// the folder was never made, since the platform's folder-tree call refuses
// relative paths; where it existed already, the installer did not start and
// its files stayed behind.) An empty answer is refused: no second probe,
// which would have tried the current directory.
TEST_F(UiE2eTest, TempFolderPromptAnswerIsResolvedToAFullPath)
{
    const fs::path log = Dir() / "setup.log";
    const std::string base = " temp " + WinPath(Dir() / "missing" / "base");
    const auto logged = [&](const std::string& line) {
        const auto lines = Lines(ReadFile(log));
        return std::count(lines.begin(), lines.end(), line);
    };

    const struct {
        const char* answer;
        const char* options;
    } relatives[] = {{"rel", ""}, {"rel0", " /zeroguid"}};
    for (const auto& c : relatives) {
        const UiRun run = RunUi(Exe(), "log " + WinPath(log) + base + c.options,
                                {"waitfor:1005", std::string("settext:1005:") + c.answer, "press:1"}, 60000);
        EXPECT_EQ(run.exitCode, std::optional<std::uint32_t>(0u)) << c.answer << "\n" << run.raw << ReadFile(log);
        const std::string folder = WinPath(Dir() / c.answer) + "\\{";
        EXPECT_NE(ReadFile(log).find("RunProgram program '\"" + folder), std::string::npos) << ReadFile(log);
        EXPECT_EQ(logged("RunProgram returned 0"), 1) << c.answer;
        EXPECT_NE(ReadFile(log).find("Deletion Folder of '" + folder), std::string::npos) << c.answer;
        ASSERT_TRUE(fs::is_directory(Dir() / c.answer));
        EXPECT_TRUE(fs::is_empty(Dir() / c.answer)) << c.answer << ": payload left behind";
    }

    const UiRun empty = RunUi(Exe(), "log " + WinPath(log) + base,
                              {"waitfor:1005", "settext:1005:", "press:1", "waitfor:1000", "press:2"});
    EXPECT_EQ(empty.exitCode, std::optional<std::uint32_t>(0x80004005u)) << empty.raw << ReadFile(log);
    EXPECT_EQ(logged("SetTempFolder has failed"), 1) << ReadFile(log);
    EXPECT_EQ(logged("AskTempFolder answer is empty"), 1) << ReadFile(log);
    EXPECT_EQ(ReadFile(log).find("Scanning for Signature"), std::string::npos) << ReadFile(log);
}

// The splash steps aside while the worker's prompt is open and comes back
// once it has closed, while the installer still runs. Nothing is drawn on
// the splash when the prompt closes, so it returns only because the worker
// wakes the main thread after each change of the prompt count. Whether the
// splash was shown before the prompt opened depends on which thread is
// first, so the screenshots are of the prompt and of what follows it.
TEST_F(UiE2eTest, SplashHidesWhileThePromptIsOpenAndReturnsAfterIt)
{
    const fs::path log = Dir() / "setup.log";
    const fs::path go = Dir() / "installer-may-end";
    const std::string arguments = "log " + WinPath(log) + " temp " + WinPath(Dir() / "missing" / "base");
    const UiRun run = RunUi(Exe(), arguments,
                            {"waitfor:1005", "count:2:1", "shot:prompt-over-hidden-splash",
                             "settext:1005:" + WinPath(Dir() / "chosen"), "press:1", "count:1:1",
                             "shot:splash-after-prompt", "touch:" + WinPath(go), "count:0:0"},
                            60000, {}, "VELLOX_FAKE_WAIT_FOR=" + Quote(WinPath(go)));
    EXPECT_EQ(run.failedStep, "") << run.raw << ReadFile(log);
    EXPECT_NE(run.raw.find("dialogs=2|1\n"), std::string::npos) << run.raw;
    EXPECT_NE(run.raw.find("dialogs=1|1\n"), std::string::npos) << run.raw;
    EXPECT_EQ(run.exitCode, std::optional<std::uint32_t>(0u)) << run.raw << ReadFile(log);
    EXPECT_NE(ReadFile(log).find("RunProgram returned 0"), std::string::npos) << ReadFile(log);
}

TEST_F(UiE2eTest, SplashIsACaptionlessPictureWithoutText)
{
    const UiRun run = RunUi(Preview(), "splash 2500", {"wait", "shot:splash"});
    ASSERT_EQ(run.dialogs.size(), 1u) << run.raw;
    const DialogRecord& splash = run.dialogs[0];
    constexpr std::uint32_t kCaption = 0x00C00000;  // WS_CAPTION (border and title bar)
    constexpr std::uint32_t kBorder = 0x00800000;
    constexpr std::uint32_t kSystemMenu = 0x00080000;
    EXPECT_EQ(splash.style & kCaption, kBorder);
    EXPECT_EQ(splash.style & kSystemMenu, 0u);
    EXPECT_EQ(splash.title, "");
    ASSERT_EQ(splash.controls.size(), 1u);
    EXPECT_EQ(splash.controls[0].className, "Static");
    EXPECT_EQ(run.exitCode, std::optional<std::uint32_t>(0u)) << run.raw;
}

}  // namespace
}  // namespace e2e
