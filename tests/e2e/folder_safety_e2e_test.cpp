// The elevated run's temporary folder against other processes that can write
// to its base folder: names planted before the run, a folder or a payload
// file swapped for a link while the installer runs, a second run at once.
//
// Wine shows a part of it. It cannot make junctions or Windows symbolic
// links, so host symbolic links stand in for them; Wine shows those as plain
// files and folders, opens them as their targets and, deleting one, deletes
// its target. It does not enforce access lists, so the folder's own
// protected list (nobody else may write in it) is proven natively through
// the fake file system. And a host process can rename a folder the run holds
// open, which Windows refuses to any process: under Wine the run has to
// notice that its folder's path no longer names the folder it holds.
//
// Each run is the signed default bootstrapper: the fake installer with two
// companion files. The fake installer records its current directory, which
// is the run's folder, and can wait for a file, so that the host acts while
// it runs (HostScript), never after a guessed delay.
#include "signing.h"
#include "wine_harness.h"

#include <functional>
#include <future>
#include <map>
#include <set>

namespace e2e {
namespace {

const std::string kZeroGuid = "{00000000-0000-0000-0000-000000000000}";
// The payload's files as the run writes them.
const std::set<std::string> kPayload = {"projectitems.xml", "tarnwick.wizard.exe", "tarnwick.wizard.exe.config"};

class FolderSafetyE2eTest : public WineTest {
protected:
    FolderSafetyE2eTest() { fs::create_directories(Base()); }

    fs::path Base() const { return Dir() / "base"; }
    fs::path LogPath(int run = 1) const { return Dir() / ("setup" + std::to_string(run) + ".log"); }
    fs::path RecordPath(int run = 1) const { return Dir() / ("installer" + std::to_string(run) + ".txt"); }
    fs::path GoPath(int run = 1) const { return Dir() / ("go" + std::to_string(run)); }
    std::string Log(int run = 1) const { return ReadFile(LogPath(run)); }
    bool Logged(const std::string& line, int run = 1) const
    {
        for (const std::string& logged : Lines(Log(run))) {
            if (logged == line)
                return true;
        }
        return false;
    }

    // A silent run under this test's base folder. The installer records
    // where it runs and then, when told to wait, waits for GoPath(run).
    RunResult RunSilent(const std::string& options, int run = 1, bool wait = true)
    {
        RunOptions runOptions;
        runOptions.environment["VELLOX_FAKE_RECORD"] = WinPath(RecordPath(run));
        if (wait)
            runOptions.environment["VELLOX_FAKE_WAIT_FOR"] = WinPath(GoPath(run));
        return Run(SignedExe(), "log " + WinPath(LogPath(run)) + " /IAgreeToTheEULA temp " + WinPath(Base()) + options,
                   runOptions);
    }

    // The names in a folder and their contents ("<folder>" for a folder,
    // "-> target" for a link, size and hash for a large file), not
    // following links.
    static std::map<std::string, std::string> Contents(const fs::path& folder)
    {
        std::map<std::string, std::string> contents;
        if (!fs::is_directory(folder))
            return {{"(no folder)", folder.string()}};
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_symlink())
                contents[name] = "-> " + fs::read_symlink(entry.path()).string();
            else if (entry.is_directory())
                contents[name] = "<folder>";
            else if (const std::string bytes = ReadFile(entry.path()); bytes.size() <= 200)
                contents[name] = bytes;
            else
                contents[name] = std::to_string(bytes.size()) + " bytes, hash " +
                                 std::to_string(std::hash<std::string>{}(bytes));
        }
        return contents;
    }

    // The run's folder, where its installer ran.
    std::string RecordedFolder(int run = 1) const
    {
        for (const std::string& line : Lines(ReadFile(RecordPath(run)))) {
            if (line.starts_with("cwd="))
                return line.substr(4);
        }
        return {};
    }
    fs::path HostFolder(const std::string& folder) const { return Base() / folder.substr(folder.rfind('\\') + 1); }

    static std::set<std::string> Names(const fs::path& folder)
    {
        std::set<std::string> names;
        for (const auto& [name, contents] : Contents(folder))
            names.insert(name);
        return names;
    }

    // A folder of someone else's files, some named like the payload's.
    fs::path MakeVictim(const std::string& name)
    {
        const fs::path victim = Dir() / name;
        fs::create_directories(victim);
        for (const std::string& file : kPayload)
            WriteFile(victim / file, "victim's " + file);
        WriteFile(victim / "keep.txt", "keep");
        return victim;
    }
};

// Finding: a planted zero-GUID folder was reused, and its planted library
// loaded by the installer. Wine shows the whole of it: the name is taken,
// the run stops before anything is written or started there.
TEST_F(FolderSafetyE2eTest, PlantedZeroGuidFolderIsNeitherUsedNorTouched)
{
    const fs::path planted = Base() / kZeroGuid;
    fs::create_directories(planted);
    WriteFile(planted / "version.dll", "planted library");
    WriteFile(planted / "tarnwick.wizard.exe.config", "planted configuration");
    const auto before = Contents(planted);

    const RunResult result = RunSilent(" /zeroguid", 1, false);
    EXPECT_EQ(result.exitCode, std::optional<std::uint32_t>(0x80004005u)) << result.raw << Log();
    EXPECT_TRUE(Logged("GetTempFolder '" + WinPath(planted) + "' exists already, not reused")) << Log();
    EXPECT_FALSE(fs::exists(RecordPath())) << "the installer ran";
    EXPECT_EQ(Contents(planted), before);
    EXPECT_EQ(Names(Base()), std::set<std::string>{kZeroGuid});
}

// Finding: the zero-GUID name as a link to another folder: the payload was
// written into that folder, run there and deleted from it. Wine shows it
// with a host symbolic link (a junction on Windows, which is refused the
// same way: creating a new folder fails on any entry of that name).
TEST_F(FolderSafetyE2eTest, ZeroGuidNameLinkedToAnotherFolderIsNotFollowed)
{
    const fs::path other = MakeVictim("other");
    const auto before = Contents(other);
    fs::create_directory_symlink(other, Base() / kZeroGuid);

    const RunResult result = RunSilent(" /zeroguid", 1, false);
    EXPECT_EQ(result.exitCode, std::optional<std::uint32_t>(0x80004005u)) << result.raw << Log();
    EXPECT_TRUE(Logged("GetTempFolder '" + WinPath(Base() / kZeroGuid) + "' exists already, not reused")) << Log();
    EXPECT_FALSE(fs::exists(RecordPath())) << "the installer ran";
    EXPECT_EQ(Contents(other), before);
    EXPECT_TRUE(fs::is_symlink(Base() / kZeroGuid));
}

// Finding: a fresh folder renamed away during the run and replaced by a link
// to another folder: the removal deleted that folder's files of the
// payload's names. On Windows the held folder cannot be renamed at all;
// under Wine a host process can, so the run must notice that the path no
// longer names the folder it holds, and then delete nothing through it.
TEST_F(FolderSafetyE2eTest, FolderSwappedForALinkDuringTheRunIsNotRemovedThroughIt)
{
    const fs::path victim = MakeVictim("victim");
    const auto before = Contents(victim);
    HostScript swap(Dir(), RecordPath(),
                    "mv \"$FOLDER\" \"$FOLDER.away\"\n"
                    "ln -s " + Quote(victim.string()) + " \"$FOLDER\"",
                    GoPath());

    const RunResult result = RunSilent("");
    ASSERT_TRUE(swap.Finish()) << swap.Output() << Log();
    EXPECT_EQ(result.exitCode, std::optional<std::uint32_t>(0x80004005u)) << result.raw << Log();
    const std::string folder = RecordedFolder();
    EXPECT_TRUE(Logged("Temp folder '" + folder + "' is no longer the folder created")) << Log();
    EXPECT_EQ(Log().find("Manual Deletion of"), std::string::npos) << Log();
    EXPECT_EQ(Contents(victim), before);
    // Nothing was deleted through the path, so the moved folder keeps the
    // payload; Wine would not delete it through the handles either.
    EXPECT_EQ(Names(HostFolder(folder).string() + ".away"), kPayload);
}

// Finding: a payload file replaced by a link to a file elsewhere while the
// installer runs: the removal deleted the link's target. Under Wine the host
// link looks like a plain file and deleting it would delete the target, so
// the removal checks, through the very handle that would delete, where the
// entry is; on Windows a link opens as itself and only the link would go.
TEST_F(FolderSafetyE2eTest, PayloadFileSwappedForALinkKeepsItsTarget)
{
    const fs::path target = Dir() / "target.txt";
    WriteFile(target, "precious");
    HostScript swap(Dir(), RecordPath(),
                    "rm \"$FOLDER/projectitems.xml\"\n"
                    "ln -s " + Quote(target.string()) + " \"$FOLDER/projectitems.xml\"",
                    GoPath());

    const RunResult result = RunSilent("");
    ASSERT_TRUE(swap.Finish()) << swap.Output() << Log();
    EXPECT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw << Log();
    const std::string folder = RecordedFolder();
    EXPECT_EQ(ReadFile(target), "precious");
    EXPECT_TRUE(Logged("Deletion skipped, link to elsewhere '" + folder + "\\projectitems.xml'")) << Log();
    // The rest of the payload went; the link stays, and with it the folder.
    EXPECT_EQ(Names(HostFolder(folder)), std::set<std::string>{"projectitems.xml"});
    EXPECT_TRUE(fs::is_symlink(HostFolder(folder) / "projectitems.xml"));
}

// Finding: a second zero-GUID run at once overwrote the first's files and
// deleted them while the first's installer still ran. Wine shows it whole:
// the second run finds the name taken and stops.
TEST_F(FolderSafetyE2eTest, SecondZeroGuidRunAtOnceLeavesTheFirstAlone)
{
    auto first = std::async(std::launch::async, [this] { return RunSilent(" /zeroguid", 1); });
    // The first run's installer is running (and waits for GoPath(1)).
    ASSERT_TRUE(WaitForFile(RecordPath(1), 60000)) << Log(1);
    const fs::path folder = Base() / kZeroGuid;
    const auto before = Contents(folder);
    EXPECT_EQ(Names(folder), kPayload);

    const RunResult second = RunSilent(" /zeroguid", 2, false);
    const auto during = Contents(folder);
    WriteFile(GoPath(1), "");
    const RunResult firstResult = first.get();

    EXPECT_EQ(second.exitCode, std::optional<std::uint32_t>(0x80004005u)) << second.raw << Log(2);
    EXPECT_TRUE(Logged("GetTempFolder '" + WinPath(folder) + "' exists already, not reused", 2)) << Log(2);
    EXPECT_FALSE(fs::exists(RecordPath(2))) << "the second run's installer ran";
    EXPECT_EQ(during, before) << "the second run changed the first's files";
    EXPECT_EQ(firstResult.exitCode, std::optional<std::uint32_t>(0u)) << firstResult.raw << Log(1);
    EXPECT_TRUE(fs::is_empty(Base())) << Log(1);
}

}  // namespace
}  // namespace e2e
