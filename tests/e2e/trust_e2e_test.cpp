// The signature step of the real executable: signed, unsigned and modified
// files under Wine, with a throw-away test certificate.
#include "signing.h"
#include "wine_harness.h"

#include <algorithm>
#include <cstdlib>

namespace e2e {
namespace {

constexpr std::uint32_t kNoSignature = 0x800B0100;
const std::string kQuestionHeading = "Verification of Corvane failed. Do you wish continue?";

class TrustE2eTest : public WineTest {
protected:
    fs::path UnsignedExe() const { return Win64Dir() / "vellox.exe"; }
    fs::path LogPath() const { return Dir() / "setup.log"; }
    std::vector<std::string> LogLines() const { return Lines(ReadFile(LogPath())); }
    std::string LogArgument() const { return "log " + WinPath(LogPath()); }

    bool HasLine(const std::string& line) const
    {
        const auto lines = LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool HasLineStartingWith(const std::string& prefix) const
    {
        const auto lines = LogLines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
    }
    bool HasLineEndingWith(const std::string& prefix, const std::string& suffix) const
    {
        const auto lines = LogLines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.starts_with(prefix) && l.ends_with(suffix); });
    }
    // The first log line after the one that starts with prefix.
    std::string LineAfter(const std::string& prefix) const
    {
        const auto lines = LogLines();
        const auto at =
            std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
        return at != lines.end() && at + 1 != lines.end() ? *(at + 1) : std::string("<none>");
    }
    std::string LineStartingWith(const std::string& prefix) const
    {
        const auto lines = LogLines();
        const auto at =
            std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
        return at != lines.end() ? *at : std::string("<none>");
    }

    // A new folder below the test's own in which fileName has a Windows path
    // of exactly length characters.
    fs::path FolderForPathLength(std::size_t length, const std::string& fileName)
    {
        const std::size_t shortest = WinPath(Dir() / fileName).size();
        EXPECT_GT(length, shortest + 1) << "the test's folder is too deep for this test";
        std::size_t missing = length > shortest + 1 ? length - shortest : 2;
        fs::path folder = Dir();
        while (missing > 0) {
            // Each component adds its name and a separator; none may be empty.
            const std::size_t name = missing - 1 <= 200 ? missing - 1 : 100;
            folder /= std::string(name, 'p');
            missing -= name + 1;
        }
        fs::create_directories(folder);
        EXPECT_EQ(WinPath(folder / fileName).size(), length);
        return folder;
    }

    // The files under folder, found recursively.
    static std::vector<fs::path> FilesUnder(const fs::path& folder)
    {
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file())
                files.push_back(entry.path());
        }
        return files;
    }

    // A copy of the default bootstrapper signed with a program name.
    fs::path SignedWithProgramName()
    {
        const fs::path signedExe = Dir() / "signed.exe";
        const std::string failure = SignWithTestCertificate(UnsignedExe(), signedExe, kSignedProgramName);
        EXPECT_EQ(failure, "");
        return signedExe;
    }
};

TEST_F(TrustE2eTest, SignedFileVerifiesLogsItsSignerAndForwardsTheProgramName)
{
    const fs::path exe = SignedWithProgramName();
    // The signature carries the exact program name (read natively).
    const std::string verified = VerifyWithOsslsigncode(exe);
    EXPECT_NE(verified.find("Text description: Corvane Setup\n"), std::string::npos) << verified;
    EXPECT_NE(verified.find("Succeeded"), std::string::npos) << verified;

    const RunResult result = Run(exe, LogArgument() + " /IAgreeToTheEULA /dontrun", {.timeoutMs = 30000});
    ASSERT_TRUE(result.exitCode.has_value()) << result.raw;
    EXPECT_NE(*result.exitCode, kNoSignature);
    EXPECT_TRUE(result.dialogs.empty()) << result.raw;

    EXPECT_TRUE(HasLine("Digital verification: 'The file \"" + WinPath(exe) +
                        "\" is signed and the signature was verified."));
    EXPECT_EQ(LineAfter("Digital verification: 'The file"), "'");  // the account's own line feed
    EXPECT_TRUE(HasLine("GetAuthenticodeInformation "));
    EXPECT_TRUE(HasLine("GetProgAndPublisherInfo pPublisheInfo = null"));
    EXPECT_TRUE(HasLine("GetProgAndPublisherInfo switch MoreInfo 1"));
    EXPECT_TRUE(HasLine("GetAuthenticodeInformation Fininshed"));
    EXPECT_TRUE(HasLine("Digital verification: SubjectName 'Vellox Test Signer'"));
    EXPECT_TRUE(HasLine("Digital verification: MoreInfo    'http://example.test/more'"));
    EXPECT_TRUE(HasLine(std::string("Digital verification: SerialNumber ") + kTestSerialNumber));
    EXPECT_TRUE(HasLine("Digital verification: IssuerName 'Vellox Test Signer'"));
    EXPECT_FALSE(HasLineStartingWith("Not signed correctly"));

    // osslsigncode writes the program name as an ASCII string; Wine 8 decodes
    // it as a BMP string, two bytes to a character: "Corvane Setup" (13
    // bytes) becomes 6 CJK characters, which the log's code page shows as
    // "??????". Windows decodes it exactly. Either way the forwarded TW_I is
    // the logged program name.
    const std::string programLine = LineStartingWith("Digital verification: ProgramName '");
    const std::string name =
        programLine.substr(std::min(programLine.size(), std::string("Digital verification: ProgramName '").size()));
    const std::string wineGarbled = std::string(6, '?') + "'";
    EXPECT_TRUE(name == "Corvane Setup'" || name == wineGarbled) << "Wine gave: " << programLine;
    RecordProperty("wine_program_name", programLine);
    const std::string forwarded = "TW_I=\"" + name.substr(0, name.size() - 1) + "\" ";
    EXPECT_TRUE(HasLineEndingWith("Command line params ", forwarded)) << ReadFile(LogPath());
}

TEST_F(TrustE2eTest, UnsignedSilentRunStopsAtTheSignatureAndStartsNothing)
{
    const RunResult result = Run(UnsignedExe(), LogArgument() + " /IAgreeToTheEULA", {.timeoutMs = 30000});
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(kNoSignature)) << result.raw;
    EXPECT_TRUE(result.dialogs.empty()) << result.raw;
    EXPECT_TRUE(HasLine("Digital verification: 'The file \"" + WinPath(UnsignedExe()) + "\" is not signed."))
        << ReadFile(LogPath());
    EXPECT_TRUE(HasLine("Not signed correctly so failing now!"));
    EXPECT_FALSE(HasLineStartingWith("GetAuthenticodeInformation"));
    EXPECT_FALSE(HasLineStartingWith("Run Embedded Resources"));
    EXPECT_TRUE(HasLineStartingWith("Ended "));
}

TEST_F(TrustE2eTest, UnsignedInteractiveRunAsksAndNoStopsWhileYesGoesOnAsIfVerified)
{
    // No: the only dialog is the question; the report is logged, not shown.
    const RunResult declined = Run(UnsignedExe(), LogArgument() + " /dontrun", {.timeoutMs = 30000, .presses = {2}});
    ASSERT_EQ(declined.exitCode, std::optional<std::uint32_t>(kNoSignature)) << declined.raw;
    ASSERT_EQ(declined.dialogs.size(), 1u) << declined.raw;
    const std::string& question = declined.dialogs[0];
    EXPECT_NE(question.find(kQuestionHeading), std::string::npos) << question;
    // The driver's report keeps the texts' own line ends, so the body text
    // is searched in the whole report.
    EXPECT_NE(declined.raw.find("The file \"" + WinPath(UnsignedExe()) + "\" is not signed."), std::string::npos)
        << declined.raw;
    EXPECT_TRUE(HasLine("Not signed correctly"));
    EXPECT_FALSE(HasLineStartingWith("GetAuthenticodeInformation"));
    EXPECT_FALSE(HasLineStartingWith("Run Embedded Resources"));
    EXPECT_TRUE(HasLineStartingWith("Ended "));

    // Yes is IDYES on a plain message box and IDOK on the product's own
    // question dialog.
    const int yes = question.find("|&Yes|") != std::string::npos ? 6 : 1;
    const RunResult accepted = Run(UnsignedExe(), LogArgument() + " /dontrun", {.timeoutMs = 30000, .presses = {yes}});
    ASSERT_TRUE(accepted.exitCode.has_value()) << accepted.raw;
    ASSERT_GE(accepted.dialogs.size(), 1u);
    EXPECT_NE(accepted.dialogs[0].find(kQuestionHeading), std::string::npos);
    EXPECT_TRUE(HasLine("Not signed correctly"));
    EXPECT_TRUE(HasLine("Digital verification: Failed"));
    EXPECT_TRUE(HasLineEndingWith("Command line params ", "TW_I=\"Mini\" ")) << ReadFile(LogPath());
    EXPECT_TRUE(HasLine("Run Embedded Resources "));

    // As if verified: the same end as the signed bootstrapper's.
    const RunResult verified = Run(SignedExe(), LogArgument() + " /dontrun", {.timeoutMs = 30000});
    ASSERT_TRUE(verified.exitCode.has_value()) << verified.raw;
    EXPECT_EQ(*accepted.exitCode, *verified.exitCode);
}

TEST_F(TrustE2eTest, ModifiedSignedFileFailsWithTheDigestError)
{
    const fs::path exe = SignedWithProgramName();
    std::string bytes = ReadFile(exe);
    ASSERT_GT(bytes.size(), 0x2000u);
    // A byte inside the code, far from the headers and the certificate table.
    bytes[bytes.size() / 3] = static_cast<char>(bytes[bytes.size() / 3] ^ 0x01);
    const fs::path modified = Dir() / "modified.exe";
    WriteFile(modified, bytes);
    EXPECT_EQ(VerifyWithOsslsigncode(modified).find("Succeeded"), std::string::npos);

    // Wine reports the digest mismatch as 0x80096010 (TRUST_E_BAD_DIGEST).
    const RunResult result = Run(modified, LogArgument() + " /dontrun", {.timeoutMs = 30000, .presses = {2}});
    ASSERT_EQ(result.exitCode, std::optional<std::uint32_t>(kNoSignature)) << result.raw;
    ASSERT_EQ(result.dialogs.size(), 1u) << result.raw;
    EXPECT_NE(result.dialogs[0].find(kQuestionHeading), std::string::npos) << result.dialogs[0];
    EXPECT_NE(result.raw.find("Error is: 0x80096010."), std::string::npos) << result.raw;
    EXPECT_TRUE(HasLine("Digital verification: 'Error is: 0x80096010.")) << ReadFile(LogPath());
}

TEST_F(TrustE2eTest, InformationBlockAddedAfterSigningKeepsTheSignatureAndIsWritten)
{
    const fs::path exe = SignedWithProgramName();
    const std::string information = "<info product=\"Corvane\">signed block</info>";
    WriteFile(Dir() / "information.xml", information);
    const std::string tool = (Win64Dir() / "host-tools" / "vellox-append-info").string();
    ASSERT_EQ(std::system(("'" + tool + "' '" + exe.string() + "' '" + (Dir() / "information.xml").string() + "'").c_str()), 0);
    const std::string bytes = ReadFile(exe);
    ASSERT_EQ(bytes.substr(bytes.size() - 6 - information.size() - 4, 4), "MRDC");

    const std::string verified = VerifyWithOsslsigncode(exe);
    EXPECT_NE(verified.find("Succeeded"), std::string::npos) << verified;

    const fs::path base = Dir() / "base";
    fs::create_directories(base);
    const RunResult result = Run(exe, LogArgument() + " /IAgreeToTheEULA /dontrun /keep temp " + WinPath(base),
                                 {.timeoutMs = 30000});
    ASSERT_TRUE(result.exitCode.has_value()) << result.raw;
    EXPECT_NE(*result.exitCode, kNoSignature);
    EXPECT_TRUE(HasLine("Digital verification: 'The file \"" + WinPath(exe) +
                        "\" is signed and the signature was verified."))
        << ReadFile(LogPath());
    EXPECT_TRUE(HasLine("Digital verification: SubjectName 'Vellox Test Signer'"));
    EXPECT_TRUE(HasLineStartingWith("Found embedded information '" + information + "'")) << ReadFile(LogPath());

    std::vector<fs::path> written;
    for (const auto& entry : fs::recursive_directory_iterator(base)) {
        if (entry.path().filename() == "info.xml")
            written.push_back(entry.path());
    }
    ASSERT_EQ(written.size(), 1u) << ReadFile(LogPath());
    EXPECT_EQ(ReadFile(written[0]), information);
}

// A path of 260 characters or more was once read cut short, so the checks
// read another file: a genuine signed copy named like the cut path, put
// beside a tampered one, made the tampered payload run as verified.
TEST_F(TrustE2eTest, TamperedFileWithALongPathIsCheckedItselfNotTheSignedFileAtItsCutPath)
{
    const fs::path folder = FolderForPathLength(259, "setup.exe");
    const fs::path genuine = folder / "setup.exe";
    const fs::path tampered = folder / "setup.exe.tampered.exe";
    fs::copy_file(SignedExe(), genuine);
    // The payload's item list changed, its length kept.
    std::string bytes = ReadFile(SignedExe());
    const std::string item = "<Item Name=\"Demo\" />";
    const std::size_t at = bytes.find(item);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(bytes.find(item, at + 1), std::string::npos);
    bytes.replace(at, item.size(), "<Item Name=\"Evil\" />");
    WriteFile(tampered, bytes);
    ASSERT_GT(WinPath(tampered).size(), 259u);
    ASSERT_EQ(WinPath(tampered).substr(0, 259), WinPath(genuine));
    EXPECT_NE(VerifyWithOsslsigncode(genuine).find("Succeeded"), std::string::npos);
    EXPECT_EQ(VerifyWithOsslsigncode(tampered).find("Succeeded"), std::string::npos);

    const fs::path base = Dir() / "base";
    fs::create_directories(base);
    const fs::path record = Dir() / "installer.txt";
    const RunResult result =
        Run(tampered, LogArgument() + " /IAgreeToTheEULA /keep temp " + WinPath(base),
            {.timeoutMs = 30000, .environment = {{"VELLOX_FAKE_RECORD", WinPath(record)}}, .nativeStart = true});
    ASSERT_TRUE(result.exitCode.has_value()) << result.raw;
    EXPECT_EQ(*result.exitCode, kNoSignature) << std::hex << *result.exitCode << "\n" << ReadFile(LogPath());
    // The tampered file itself was checked: Wine's digest mismatch.
    EXPECT_TRUE(HasLine("Digital verification: 'Error is: 0x80096010.")) << ReadFile(LogPath());
    EXPECT_FALSE(HasLineStartingWith("Digital verification: 'The file \"" + WinPath(genuine) + "\""));
    EXPECT_TRUE(HasLine("Not signed correctly so failing now!"));
    EXPECT_FALSE(HasLineStartingWith("GetAuthenticodeInformation"));
    EXPECT_FALSE(HasLineStartingWith("Run Embedded Resources"));
    // Nothing of the tampered payload was written or run.
    EXPECT_EQ(FilesUnder(base), std::vector<fs::path>{});
    EXPECT_FALSE(fs::exists(record)) << ReadFile(record);
}

TEST_F(TrustE2eTest, SignedFileWithALongPathVerifiesAndItsSignerAndInformationBlockAreRead)
{
    // Nothing lies at the path cut to 259 characters.
    const fs::path folder = FolderForPathLength(259, "setup.exe");
    const fs::path exe = folder / "setup.exe.with-a-long-name.exe";
    fs::copy_file(SignedWithProgramName(), exe);
    const std::string information = "<info product=\"Corvane\">long path</info>";
    WriteFile(Dir() / "information.xml", information);
    const std::string tool = (Win64Dir() / "host-tools" / "vellox-append-info").string();
    ASSERT_EQ(std::system((Quote(tool) + " " + Quote(exe.string()) + " " + Quote((Dir() / "information.xml").string()))
                              .c_str()),
              0);
    ASSERT_GT(WinPath(exe).size(), 259u);
    ASSERT_FALSE(fs::exists(folder / "setup.exe"));

    const fs::path base = Dir() / "base";
    fs::create_directories(base);
    const RunResult result = Run(exe, LogArgument() + " /IAgreeToTheEULA /dontrun /keep temp " + WinPath(base),
                                 {.timeoutMs = 30000, .nativeStart = true});
    ASSERT_TRUE(result.exitCode.has_value()) << result.raw;
    EXPECT_EQ(*result.exitCode, 0u) << std::hex << *result.exitCode << "\n" << ReadFile(LogPath());
    // The log names the path as read, whole.
    EXPECT_TRUE(HasLine("Digital verification: 'The file \"" + WinPath(exe) +
                        "\" is signed and the signature was verified."))
        << ReadFile(LogPath());
    EXPECT_TRUE(HasLine("Digital verification: SubjectName 'Vellox Test Signer'"));
    EXPECT_TRUE(HasLineStartingWith("Found embedded information '" + information + "'")) << ReadFile(LogPath());
    std::vector<fs::path> written;
    for (const fs::path& file : FilesUnder(base)) {
        if (file.filename() == "info.xml")
            written.push_back(file);
    }
    ASSERT_EQ(written.size(), 1u) << ReadFile(LogPath());
    EXPECT_EQ(ReadFile(written[0]), information);
}

}  // namespace
}  // namespace e2e
