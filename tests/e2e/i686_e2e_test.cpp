// The shipped i686 executable end to end: 32-bit Wine in a 64-bit prefix,
// so the bootstrapper runs under WOW64 as on 64-bit Windows. The prefix (of
// its own, work32) registers .NET Framework 2.0 SP 2 in the 32-bit registry
// view and a Framework 4 in the 64-bit view only. Each 32-bit process costs
// about a minute under user-mode emulation: every run here checks as much
// as it can, and runs that need not wait for each other run side by side.
#include "signing.h"
#include "wine_harness.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

namespace e2e {
namespace {

constexpr unsigned kTimeoutMs = 600000;
constexpr const char* kZeroGuid = "{00000000-0000-0000-0000-000000000000}";

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// What the fake installer wrote down about itself.
struct Record {
    bool present = false;
    std::string commandLine;
    std::string folder;
    std::string bits;
    std::string wow64;
    std::vector<std::string> files;
};

Record ReadRecord(const fs::path& path)
{
    Record record;
    record.present = fs::exists(path);
    for (const auto& line : Lines(ReadFile(path))) {
        if (line.starts_with("commandline="))
            record.commandLine = line.substr(12);
        else if (line.starts_with("cwd="))
            record.folder = line.substr(4);
        else if (line.starts_with("bits="))
            record.bits = line.substr(5);
        else if (line.starts_with("wow64="))
            record.wow64 = line.substr(6);
        else if (line.starts_with("file="))
            record.files.push_back(line.substr(5));
    }
    std::sort(record.files.begin(), record.files.end());
    return record;
}

// The log's lines, and the position of the first that starts with a text.
struct Log {
    std::vector<std::string> lines;
    std::string text;

    explicit Log(const fs::path& path) : lines(Lines(ReadFile(path))), text(ReadFile(path)) {}
    long IndexOf(const std::string& prefix) const
    {
        const auto at = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.starts_with(prefix); });
        return at == lines.end() ? -1 : at - lines.begin();
    }
    bool Has(const std::string& prefix) const { return IndexOf(prefix) >= 0; }
};

const std::vector<std::string> kPayloadFiles = {"projectitems.xml", "tarnwick.wizard.exe", "tarnwick.wizard.exe.config"};

class I686E2eTest : public WineTest {
protected:
    fs::path Prefix() const { return WorkDir() / "prefix"; }
    fs::path Unsigned() const { return Win32Dir() / "vellox.exe"; }

    // A silent run with a log and a record of the fake installer, all named
    // after tag inside the test's folder.
    RunResult RunSilent(const fs::path& exe, const std::string& tag, const std::string& extra)
    {
        return Run(exe, "log " + WinPath(Dir() / (tag + ".log")) + " /IAgreeToTheEULA " + extra,
                   {.timeoutMs = kTimeoutMs,
                    .environment = {{"VELLOX_FAKE_RECORD", WinPath(Dir() / (tag + "-record.txt"))}}});
    }
};

TEST_F(I686E2eTest, TypicalSilentRunOnWow64ReadsThe32BitRegistryView)
{
    // The user's temporary folder is the base, as in a plain run. Beside it
    // runs a build that accepts only Framework 4.5, which the prefix holds
    // in the 64-bit view only.
    auto framework45 = std::async(std::launch::async, [this] {
        return RunSilent(SignedVariant("vellox_net45_full_only"), "net45", "");
    });
    const RunResult result =
        Run(SignedExe(), "log " + WinPath(Dir() / "typical.log") + " /IAgreeToTheEULA",
            {.timeoutMs = kTimeoutMs,
             .environment = {{"VELLOX_FAKE_RECORD", WinPath(Dir() / "typical-record.txt")}}});
    const Log log(Dir() / "typical.log");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw << log.text;
    EXPECT_TRUE(result.dialogs.empty());

    EXPECT_TRUE(log.Has("Started ")) << log.text;
    EXPECT_TRUE(log.Has("Digital verification: 'The file \"" + WinPath(SignedExe()) +
                        "\" is signed and the signature was verified."))
        << log.text;
    // The 32-bit view's 2.0 SP 2, not the 64-bit view's SP 1.
    EXPECT_TRUE(log.Has(".NET 2.0 Detected SP 2")) << log.text;
    EXPECT_FALSE(log.Has(".NET 2.0 Detected SP 1"));
    EXPECT_TRUE(log.Has(".NET Version OK"));
    // x86: started as it is, redirection untouched.
    EXPECT_TRUE(log.Has("ProgramType 'x86'"));
    EXPECT_TRUE(log.Has("Swapping to x86"));
    EXPECT_FALSE(log.Has("Enabling 64Bit spawned processes"));
    EXPECT_FALSE(log.Has("Restoring 32Bit spawned processes"));

    const Record record = ReadRecord(Dir() / "typical-record.txt");
    ASSERT_TRUE(record.present) << log.text;
    const std::string name = record.folder.substr(record.folder.rfind('\\') + 1);
    const std::string temp = "C:\\users\\";
    ASSERT_TRUE(record.folder.starts_with(temp) && record.folder.ends_with("\\Temp\\" + name)) << record.folder;
    fs::path folder = Prefix() / "drive_c" / "users";
    for (std::string rest = record.folder.substr(temp.size()); !rest.empty();) {
        const auto cut = rest.find('\\');
        folder /= rest.substr(0, cut);
        rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
    }
    EXPECT_EQ(name.size(), 38u) << record.folder;
    EXPECT_EQ(name.front(), '{');
    const std::string commandLine = "\"" + record.folder + "\\tarnwick.wizard.exe\" /IAgreeToTheEULA /log \"" +
                                    WinPath(Dir() / "typical.log") + "\" TW_I=\"Mini\" ";
    EXPECT_EQ(record.commandLine, commandLine);
    EXPECT_EQ(record.files, kPayloadFiles);
    EXPECT_EQ(record.bits, "32");
    EXPECT_EQ(record.wow64, "1");
    EXPECT_TRUE(log.Has("RunProgram program '" + commandLine + "'"));
    EXPECT_TRUE(log.Has("RunProgram returned 0"));
    EXPECT_TRUE(log.Has("Remove folder 'Yes'"));
    EXPECT_TRUE(log.Has("Ended ")) << log.text;
    EXPECT_TRUE(fs::is_directory(folder.parent_path())) << folder;
    EXPECT_FALSE(fs::exists(folder)) << "the temporary folder was not removed";

    const RunResult only45 = framework45.get();
    const Log log45(Dir() / "net45.log");
    EXPECT_EQ(only45.exitCode, std::optional<std::uint32_t>(0x80110409u)) << only45.raw << log45.text;
    EXPECT_TRUE(log45.Has(".NET Version Not OK .NET (full) 4.5 0")) << log45.text;
    EXPECT_FALSE(log45.Has(".NET 4.5 Full Detected")) << log45.text;
    EXPECT_FALSE(fs::exists(Dir() / "net45-record.txt"));
}

// The base folder lies in the system folder, which a 32-bit process sees as
// syswow64 unless redirection is off: the payload is extracted there, and a
// 64-bit copy of the fake installer waits at the same path in the real
// system folder. Which one starts shows whether redirection was off for the
// start.
TEST_F(I686E2eTest, ProcessorModesOf64BitWindowsStartTheInstallerWithRedirectionAsTheModeSays)
{
    const struct {
        const char* mode;
        fs::path exe;
        bool redirectionOff;
        const char* modeLine;
    } cases[] = {
        {"x86", SignedExe(), false, "Swapping to x86"},
        {"x64", SignedVariant("vellox_x64_mode"), true, "Swapping to x64"},
        {"Any", SignedVariant("vellox_any_mode"), true, "Staying on Any"},
    };
    const fs::path windows = Prefix() / "drive_c" / "windows";
    for (const auto& c : cases) {
        const std::string folder = std::string("vellox-e2e-") + c.mode;
        fs::remove_all(windows / "system32" / folder);
        fs::remove_all(windows / "syswow64" / folder);
        fs::create_directories(windows / "system32" / folder / kZeroGuid);
        fs::copy_file(Win64Dir() / "tests" / "fixtures" / "fake_installer.exe",
                      windows / "system32" / folder / kZeroGuid / "tarnwick.wizard.exe");
    }

    std::vector<std::future<RunResult>> runs;
    for (const auto& c : cases) {
        const std::string base = std::string("C:\\windows\\system32\\vellox-e2e-") + c.mode;
        runs.push_back(std::async(std::launch::async, [this, &c, base] {
            return RunSilent(c.exe, c.mode, "/zeroguid temp " + base);
        }));
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const RunResult result = runs[i].get();
        const Log log(Dir() / (std::string(c.mode) + ".log"));
        ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << c.mode << " " << result.raw << log.text;
        EXPECT_TRUE(log.Has(std::string("ProgramType '") + c.mode + "'")) << c.mode << log.text;
        EXPECT_TRUE(log.Has(c.modeLine)) << c.mode;

        const long program = log.IndexOf("RunProgram program '");
        const long enabling = log.IndexOf("Enabling 64Bit spawned processes");
        const long restoring = log.IndexOf("Restoring 32Bit spawned processes");
        const long returned = log.IndexOf("RunProgram returned 0");
        ASSERT_GE(program, 0) << c.mode << log.text;
        EXPECT_GT(returned, program) << c.mode << log.text;
        if (c.redirectionOff) {
            EXPECT_GT(enabling, program) << c.mode << log.text;
            EXPECT_GT(restoring, enabling) << c.mode;
            EXPECT_LT(restoring, returned) << c.mode;
        } else {
            EXPECT_EQ(enabling, -1) << c.mode << log.text;
            EXPECT_EQ(restoring, -1) << c.mode;
        }

        const Record record = ReadRecord(Dir() / (std::string(c.mode) + "-record.txt"));
        ASSERT_TRUE(record.present) << c.mode << log.text;
        EXPECT_EQ(record.folder, std::string("C:\\windows\\system32\\vellox-e2e-") + c.mode + "\\" + kZeroGuid)
            << c.mode;
        if (c.redirectionOff) {
            // The copy in the real system folder, which sees only itself.
            EXPECT_EQ(record.bits, "64") << c.mode;
            EXPECT_EQ(record.wow64, "0") << c.mode;
            EXPECT_EQ(record.files, std::vector<std::string>{"tarnwick.wizard.exe"}) << c.mode;
        } else {
            // The extracted one, in syswow64 among the payload.
            EXPECT_EQ(record.bits, "32") << c.mode;
            EXPECT_EQ(record.wow64, "1") << c.mode;
            EXPECT_EQ(record.files, kPayloadFiles) << c.mode;
        }
        // The extracted folder is gone, the planted one is left alone.
        EXPECT_TRUE(fs::is_empty(windows / "syswow64" / (std::string("vellox-e2e-") + c.mode))) << c.mode;
        EXPECT_TRUE(fs::exists(windows / "system32" / (std::string("vellox-e2e-") + c.mode) / kZeroGuid /
                               "tarnwick.wizard.exe"))
            << c.mode;
    }
}

// Interactive: the report is shown, answered and photographed.
TEST_F(I686E2eTest, X32OnlyIsRefusedOnWow64WithTheProcessorModeReport)
{
    const fs::path base = Dir() / "base";
    fs::create_directories(base);
    const fs::path log = Dir() / "setup.log";
    const fs::path record = Dir() / "record.txt";
    const fs::path commandFile = Dir() / "ui-command.txt";
    const fs::path resultFile = Dir() / "ui-result.txt";
    const fs::path shotFile = Dir() / "ui-result.txt.shot";
    const fs::path shots = WorkDir() / "screenshots";
    fs::create_directories(shots);
    WriteFile(commandFile, "\"" + WinPath(SignedVariant("vellox_x32only_mode")) + "\" log " + WinPath(log) + " temp " +
                               WinPath(base) + "\n");
    const std::string display = Trimmed(ReadFile(WorkDir() / "display"));
    const std::string command =
        "cd " + Quote(Dir().string()) + " && WINEPREFIX=" + Quote(Prefix().string()) +
        " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' DISPLAY=" + Quote(display) +
        " VELLOX_FAKE_RECORD=" + Quote(WinPath(record)) + " timeout " + std::to_string(kTimeoutMs / 1000 + 60) +
        " /usr/lib/wine/wine64 " + Quote((Win64Dir() / "tests" / "ui_preview" / "dialog_driver.exe").string()) + " " +
        Quote(WinPath(commandFile)) + " " + Quote(WinPath(resultFile)) + " " + std::to_string(kTimeoutMs) +
        " waitfor:1000 shot:i686-report-processor-mode press:2 >" + Quote((Dir() / "ui-driver.out").string()) +
        " 2>&1 </dev/null";

    std::atomic<bool> done = false;
    std::thread driver([&] {
        [[maybe_unused]] const int status = std::system(command.c_str());
        done = true;
    });
    bool photographed = false;
    while (!done) {
        if (fs::exists(shotFile)) {
            const std::string name = Trimmed(ReadFile(shotFile));
            const fs::path full = shots / (name + ".full.png");
            const std::string shot = "DISPLAY=" + Quote(display) + " import -window root " + Quote(full.string()) +
                                     " && convert " + Quote(full.string()) + " -trim +repage " +
                                     Quote((shots / (name + ".png")).string());
            EXPECT_EQ(std::system(shot.c_str()), 0) << "screenshot " << name;
            photographed = true;
            fs::remove(shotFile);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    driver.join();

    const std::string raw = ReadFile(resultFile);
    const std::string message = "Corvane failed to switch into processor mode (x32Only)";
    EXPECT_EQ(raw.find("failed="), std::string::npos) << raw;
    EXPECT_NE(raw.find("dialog=Corvane\n"), std::string::npos) << raw;
    const auto lines = Lines(raw);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.starts_with("control=1000|") && l.ends_with("|1|" + message);
    })) << raw;
    EXPECT_NE(raw.find("exit=" + std::to_string(0x80004004u) + "\n"), std::string::npos) << raw;
    EXPECT_TRUE(photographed);
    EXPECT_TRUE(fs::exists(shots / "i686-report-processor-mode.png"));

    const Log written(log);
    const long type = written.IndexOf("ProgramType 'x32Only'");
    ASSERT_GE(type, 0) << written.text;
    EXPECT_EQ(written.IndexOf("Swapping to 32Bit only"), type + 1);
    EXPECT_EQ(written.IndexOf("Incorrect processor mode with installation type"), type + 2);
    EXPECT_EQ(written.IndexOf("Run Program, Failed to set processor mode"), type + 3);
    EXPECT_TRUE(written.Has(message)) << written.text;
    EXPECT_FALSE(fs::exists(record)) << "the installer was started";
    EXPECT_TRUE(fs::is_empty(base));
}

TEST_F(I686E2eTest, UnsignedSilentRunStopsAtTheSignature)
{
    const RunResult result = RunSilent(Unsigned(), "unsigned", "");
    const Log log(Dir() / "unsigned.log");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0x800B0100u)) << result.raw << log.text;
    EXPECT_TRUE(log.Has("Digital verification: 'The file \"" + WinPath(Unsigned()) + "\" is not signed."))
        << log.text;
    EXPECT_TRUE(log.Has("Not signed correctly so failing now!"));
    EXPECT_FALSE(log.Has("Run Embedded Resources"));
    EXPECT_TRUE(log.Has("Ended "));
    EXPECT_FALSE(fs::exists(Dir() / "unsigned-record.txt"));
}

TEST_F(I686E2eTest, SignedFileWithAnInformationBlockVerifiesAndWritesTheBlock)
{
    const fs::path exe = Dir() / "signed.exe";
    ASSERT_EQ(SignWithTestCertificate(Unsigned(), exe, kSignedProgramName), "");
    const std::string information = "<info product=\"Corvane\">i686 block</info>";
    WriteFile(Dir() / "information.xml", information);
    const std::string tool = (Win32Dir() / "host-tools" / "vellox-append-info").string();
    ASSERT_EQ(std::system((Quote(tool) + " " + Quote(exe.string()) + " " + Quote((Dir() / "information.xml").string())).c_str()), 0);

    const fs::path base = Dir() / "base";
    fs::create_directories(base);
    const RunResult result = RunSilent(exe, "info", "/dontrun /keep temp " + WinPath(base));
    const Log log(Dir() / "info.log");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw << log.text;
    EXPECT_TRUE(log.Has("Digital verification: 'The file \"" + WinPath(exe) + "\" is signed and the signature was verified."))
        << log.text;
    EXPECT_TRUE(log.Has("Digital verification: SubjectName 'Vellox Test Signer'")) << log.text;
    EXPECT_TRUE(log.Has("Found embedded information '" + information + "'")) << log.text;

    std::vector<fs::path> written;
    for (const auto& entry : fs::recursive_directory_iterator(base)) {
        if (entry.path().filename() == "info.xml")
            written.push_back(entry.path());
    }
    ASSERT_EQ(written.size(), 1u) << log.text;
    EXPECT_EQ(ReadFile(written[0]), information);
    EXPECT_TRUE(fs::exists(written[0].parent_path() / "tarnwick.wizard.exe"));
}

}  // namespace
}  // namespace e2e
