// The payload of real bootstrappers built with vellox_add_bootstrapper: the
// temporary folder, the extracted files, the information block and removal.
#include "signing.h"
#include "wine_harness.h"

#include <algorithm>
#include <map>
#include <regex>
#include <set>

namespace e2e {
namespace {

fs::path Payloads() { return Win64Dir() / "tests" / "fixtures" / "payloads"; }

// The example product's files (manifest name, size).
const std::vector<std::pair<std::string, std::uintmax_t>> kExample = {
    {"install.bin", 16659475},         {"empty.msi", 9728},
    {"Tarnwick.Wizard.exe", 256392},   {"Tarnwick.Wizard.exe.config", 946},
    {"Tarnwick.Wizard.Core.dll", 285064}, {"Tarnwick.Packing.dll", 76168},
    {"log4net.dll", 270336},           {"Tarnwick.PathSupport.dll", 17800},
    {"product.project", 105640},       {"ProjectItems.xml", 293},
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

class PayloadE2eTest : public WineTest {
protected:
    PayloadE2eTest() { fs::create_directories(Base()); }

    fs::path Base() const { return Dir() / "base"; }
    fs::path LogPath() const { return Dir() / "setup.log"; }
    std::string Log() const { return ReadFile(LogPath()); }
    // The information block's lines carry their own CR LF, which the log's
    // text mode writes as CR CR LF.
    bool Logged(const std::string& line) const
    {
        for (std::string logged : Lines(Log())) {
            while (!logged.empty() && logged.back() == '\r')
                logged.pop_back();
            if (logged == line)
                return true;
        }
        return false;
    }

    // A copy of the bootstrapper signed with the run's test certificate
    // (prepared by the signing fixture), so that its signature verifies.
    fs::path Signed(const fs::path& exe) const
    {
        const fs::path signing = WorkDir() / "signing";
        const fs::path copy = Dir() / exe.filename();
        fs::remove(copy);
        const std::string command = "osslsigncode sign -certs '" + (signing / "test-cert.pem").string() + "' -key '" +
                                    (signing / "test-key.pem").string() + "' -h sha256 -in '" + exe.string() +
                                    "' -out '" + copy.string() + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return copy;
    }

    // A silent run of the signed bootstrapper that extracts only, under this
    // test's base folder.
    RunResult RunPayload(const fs::path& exe, const std::string& options)
    {
        return Run(exe.parent_path() == Dir() ? exe : Signed(exe), "/dontrun " + options + " log " + WinPath(LogPath()) + " temp " + WinPath(Base()) +
                            " /IAgreeToTheEULA");
    }

    // The base's only entry: the temporary folder.
    fs::path OnlyFolder() const
    {
        std::vector<fs::path> entries;
        for (const auto& entry : fs::directory_iterator(Base()))
            entries.push_back(entry.path());
        EXPECT_EQ(entries.size(), 1u);
        return entries.empty() ? fs::path() : entries.front();
    }

    static std::map<std::string, std::uintmax_t> Files(const fs::path& folder)
    {
        std::map<std::string, std::uintmax_t> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            files[fs::relative(entry.path(), folder).string()] = entry.is_regular_file() ? entry.file_size() : 0;
        return files;
    }

    static std::map<std::string, std::uintmax_t> ExampleFiles()
    {
        std::map<std::string, std::uintmax_t> files;
        for (const auto& [name, size] : kExample)
            files[Lower(name)] = size;
        return files;
    }
};

TEST_F(PayloadE2eTest, KeepLeavesExactlyTheExampleFilesLowerCasedInAGuidFolder)
{
    const RunResult result = RunPayload(Payloads() / "example_payload.exe", "/keep");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw << Log();

    const fs::path folder = OnlyFolder();
    EXPECT_TRUE(std::regex_match(folder.filename().string(),
                                 std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})")))
        << folder;
    EXPECT_EQ(Files(folder), ExampleFiles());
    for (const auto& [name, size] : kExample)
        EXPECT_EQ(ReadFile(folder / Lower(name)), ReadFile(Payloads() / "data" / name)) << name;
    EXPECT_TRUE(Logged("Remove folder 'No'"));
    EXPECT_TRUE(Logged("Work Out FileName Tarnwick.Wizard.exe, Bytes 256392"));
    EXPECT_TRUE(Logged("Extract File projectitems.xml 0"));
}

TEST_F(PayloadE2eTest, AppendedInformationBlockBecomesInfoXml)
{
    // Signed first: the tool puts the block inside the certificate table.
    const fs::path exe = Signed(Payloads() / "example_payload.exe");
    const std::string information = "<info product=\"Corvane\"/>";
    WriteFile(Dir() / "info.txt", information);
    const std::string append = (Win64Dir() / "host-tools" / "vellox-append-info").string() + " '" + exe.string() +
                               "' '" + (Dir() / "info.txt").string() + "'";
    ASSERT_EQ(std::system(append.c_str()), 0);

    const RunResult result = RunPayload(exe, "/keep");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw << Log();
    const fs::path folder = OnlyFolder();
    auto expected = ExampleFiles();
    expected["info.xml"] = information.size();
    EXPECT_EQ(Files(folder), expected);
    EXPECT_EQ(ReadFile(folder / "info.xml"), information);
    EXPECT_TRUE(Logged("Found embedded information '" + information + "'"));
    EXPECT_TRUE(Logged("Written out embedded information 25 byts to file " + WinPath(folder / "info.xml")));
}

TEST_F(PayloadE2eTest, WithoutKeepTheFolderIsGone)
{
    const RunResult result = RunPayload(Payloads() / "example_payload.exe", "");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw << Log();
    EXPECT_TRUE(fs::is_empty(Base())) << Log();
    EXPECT_TRUE(Logged("Remove folder 'Yes'"));
    EXPECT_TRUE(Log().find("Deletion Folder of '" + WinPath(Base()) + "\\{") != std::string::npos);
}

TEST_F(PayloadE2eTest, ZeroGuidNamesTheFolder)
{
    const RunResult result = RunPayload(Payloads() / "example_payload.exe", "/keep /zeroguid");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw << Log();
    EXPECT_EQ(OnlyFolder().filename(), "{00000000-0000-0000-0000-000000000000}");
}

// A base whose parent is missing: only its last level would be created, so no
// file can be made there. (A drive that does not exist fails the disk space
// check before the worker starts.)
TEST_F(PayloadE2eTest, UnwritableBaseInASilentRunFailsWithoutAFolder)
{
    const fs::path base = Dir() / "missing" / "base";
    const RunResult result = Run(Signed(Payloads() / "example_payload.exe"),
                                 "/keep log " + WinPath(LogPath()) + " temp " + WinPath(base) + " /IAgreeToTheEULA");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0x80004005u)) << result.raw << Log();
    EXPECT_TRUE(Logged("SetTempFolder has failed"));
    EXPECT_TRUE(Logged("Not Prompting the user as silent installation"));
    EXPECT_EQ(Log().find("Scanning for Signature"), std::string::npos);
    EXPECT_FALSE(fs::exists(Dir() / "missing"));
    EXPECT_TRUE(result.dialogs.empty());
}

TEST_F(PayloadE2eTest, WrongManifestSizeStopsBeforeLowerIds)
{
    const RunResult result = RunPayload(Payloads() / "wrong_size_payload.exe", "/keep");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0x80040167u)) << result.raw << Log();
    const fs::path folder = OnlyFolder();
    // 105 written, 104 written whole but reported, 103 and 102 never written.
    EXPECT_EQ(Files(folder), (std::map<std::string, std::uintmax_t>{{"c.dll", 5}, {"d.dll", 5}}));
    EXPECT_TRUE(Logged(WinPath(folder / "c.dll") + " Write file has failed"));
}

TEST_F(PayloadE2eTest, ManifestNameOutsideTheFolderIsRefused)
{
    const RunResult result = RunPayload(Payloads() / "unsafe_name_payload.exe", "/keep");
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0x80004005u)) << result.raw << Log();
    EXPECT_TRUE(Files(OnlyFolder()).empty());
    EXPECT_FALSE(fs::exists(Base() / "escaped.dll"));
    EXPECT_TRUE(Logged("Work Out FileName refused unsafe name '..\\escaped.dll'"));
}

// Wine cannot make a junction or a Windows symbolic link (mklink fails,
// CreateSymbolicLinkW succeeds without creating anything), and it shows a
// host symbolic link as a plain file or folder; deleting such a file link
// deletes its target. Links made in the run's folder while its installer
// runs: the walk must leave both links and targets alone. (A folder that
// holds links before the run is not the run's and is never used.)
TEST_F(PayloadE2eTest, HostLinksInTheFolderAreNeitherFollowedNorDeleted)
{
    const fs::path target = Dir() / "precious";
    fs::create_directories(target / "sub");
    WriteFile(target / "data.txt", "keep");
    WriteFile(target / "sub" / "more.txt", "keep");
    const fs::path folder = Base() / "{00000000-0000-0000-0000-000000000000}";
    const fs::path record = Dir() / "installer.txt";
    const fs::path go = Dir() / "go";
    HostScript links(Dir(), record,
                     "ln -s " + Quote(target.string()) + " \"$FOLDER/dirlink\"\n"
                     "ln -s " + Quote((target / "data.txt").string()) + " \"$FOLDER/filelink\"",
                     go);

    // The demo payload, whose installer waits while the links are made.
    const RunResult result =
        Run(SignedExe(), "/zeroguid log " + WinPath(LogPath()) + " temp " + WinPath(Base()) + " /IAgreeToTheEULA",
            {.environment = {{"VELLOX_FAKE_RECORD", WinPath(record)}, {"VELLOX_FAKE_WAIT_FOR", WinPath(go)}}});
    ASSERT_TRUE(links.Finish()) << links.Output() << Log();
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(0u)) << result.raw << Log();
    EXPECT_EQ(ReadFile(target / "data.txt"), "keep");
    EXPECT_EQ(ReadFile(target / "sub" / "more.txt"), "keep");
    EXPECT_TRUE(Logged("Deletion skipped, link to elsewhere '" + WinPath(folder / "dirlink") + "'"));
    EXPECT_TRUE(Logged("Deletion skipped, link to elsewhere '" + WinPath(folder / "filelink") + "'"));
    // Everything else went.
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"dirlink", "filelink"}));
}

}  // namespace
}  // namespace e2e
