// Bootstrappers made by vellox-pack (Linux build) from the x86_64 stub, run
// by hand, are those the build makes with vellox_add_bootstrapper from the
// same payload, and run exactly as they do: the same files extracted byte
// for byte, the same log apart from paths, the GUID and tick counts, the
// same exit code.
#include "signed_image.h"
#include "wine_harness.h"

#include <cstdlib>
#include <map>
#include <regex>

namespace e2e {
namespace {

const fs::path kPackTool = VELLOX_PACK_TOOL;

fs::path Payloads() { return Win64Dir() / "tests" / "fixtures" / "payloads"; }

// The example product's entries, as tests/fixtures/payloads gives them.
const std::vector<std::pair<int, std::string>> kExample = {
    {102, "install.bin"},         {103, "empty.msi"},
    {104, "Tarnwick.Wizard.exe"}, {105, "Tarnwick.Wizard.exe.config"},
    {106, "Tarnwick.Wizard.Core.dll"}, {107, "Tarnwick.Packing.dll"},
    {108, "log4net.dll"},         {109, "Tarnwick.PathSupport.dll"},
    {110, "product.project"},     {111, "ProjectItems.xml"},
};

class PackE2eTest : public WineTest {
protected:
    // Packs the stub with the given payload arguments into the test's folder.
    fs::path Pack(const std::string& name, const std::string& arguments)
    {
        const fs::path out = Dir() / name;
        const std::string command = Quote(kPackTool.string()) + " --stub " +
                                    Quote((Win64Dir() / "vellox-stub.exe").string()) + " --output " +
                                    Quote(out.string()) + " " + arguments + " 2>&1";
        const std::string output = Capture(command);
        EXPECT_TRUE(fs::exists(out)) << command << "\n" << output;
        return out;
    }

    fs::path PackExample(const std::string& name)
    {
        std::string arguments;
        for (const auto& [id, file] : kExample)
            arguments += " --entry " + Quote(std::to_string(id) + "|" + file + "|" + (Payloads() / "data" / file).string() + "|");
        return Pack(name, arguments);
    }

    // A signed copy (the run's throw-away certificate from the signing
    // fixture), so that the signature check passes.
    fs::path Signed(const fs::path& exe, const std::string& name)
    {
        const fs::path signing = WorkDir() / "signing";
        const fs::path copy = Dir() / name;
        const std::string command = "osslsigncode sign -certs " + Quote((signing / "test-cert.pem").string()) +
                                    " -key " + Quote((signing / "test-key.pem").string()) + " -h sha256 -in " +
                                    Quote(exe.string()) + " -out " + Quote(copy.string()) + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return copy;
    }

    struct Outcome {
        std::optional<std::uint32_t> exitCode;
        std::string log;  // with the run's own paths, GUID and tick counts replaced
        std::map<std::string, std::string> files;  // left in the base folder
        std::string raw;
    };

    // A silent run under a base folder of its own.
    Outcome RunIn(const std::string& label, const fs::path& exe, const std::string& options,
                  const RunOptions& runOptions = {})
    {
        const fs::path base = Dir() / ("base-" + label);
        const fs::path log = Dir() / ("log-" + label + ".txt");
        fs::create_directories(base);
        const RunResult result = Run(exe, options + " log " + WinPath(log) + " temp " + WinPath(base) +
                                              " /IAgreeToTheEULA", runOptions);
        Outcome outcome{result.exitCode, ReadFile(log), {}, result.raw};
        for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
                 {WinPath(base), "<base>"}, {WinPath(log), "<log>"}, {WinPath(exe), "<exe>"}}) {
            for (std::size_t at; (at = outcome.log.find(from)) != std::string::npos;)
                outcome.log.replace(at, from.size(), to);
        }
        outcome.log = std::regex_replace(outcome.log, std::regex(R"(\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\})"),
                                         "{GUID}");
        outcome.log = std::regex_replace(outcome.log, std::regex(R"((Started|Ended) -?[0-9]+)"), "$1 <n>");
        for (const auto& entry : fs::recursive_directory_iterator(base)) {
            const std::string name = std::regex_replace(fs::relative(entry.path(), base).string(),
                                                        std::regex(R"(\{[0-9A-F-]{36}\})"), "{GUID}");
            outcome.files[name] = entry.is_regular_file() ? ReadFile(entry.path()) : "<folder>";
        }
        return outcome;
    }

    static void ExpectSame(const Outcome& built, const Outcome& packed)
    {
        EXPECT_EQ(packed.exitCode, built.exitCode) << packed.raw << "\n" << built.raw;
        EXPECT_EQ(packed.log, built.log);
        EXPECT_EQ(packed.files.size(), built.files.size());
        for (const auto& [name, bytes] : built.files) {
            const auto found = packed.files.find(name);
            ASSERT_NE(found, packed.files.end()) << name;
            EXPECT_TRUE(found->second == bytes) << name << " differs";
        }
    }
};

TEST_F(PackE2eTest, PackedExamplePayloadExtractsAsTheBuiltOne)
{
    // The build passes the tool nothing but the payload: the same bytes.
    const fs::path bare = PackExample("packed.exe");
    EXPECT_TRUE(ReadFile(bare) == ReadFile(Payloads() / "example_payload.exe"))
        << "the build's example_payload.exe is not what vellox-pack writes from its entries";
    const fs::path packed = Signed(bare, "packed-signed.exe");
    const fs::path built = Signed(Payloads() / "example_payload.exe", "built-signed.exe");
    const Outcome fromBuilt = RunIn("built", built, "/dontrun /keep");
    const Outcome fromPacked = RunIn("packed", packed, "/dontrun /keep");
    ASSERT_EQ(fromBuilt.exitCode, std::optional<std::uint32_t>(0u)) << fromBuilt.raw << fromBuilt.log;
    ExpectSame(fromBuilt, fromPacked);
    // Every payload file, extracted under its lower-cased name.
    EXPECT_EQ(fromPacked.files.size(), kExample.size() + 1);
    EXPECT_TRUE(fromPacked.files.at("{GUID}/tarnwick.wizard.exe") == ReadFile(Payloads() / "data" / "Tarnwick.Wizard.exe"));
    EXPECT_NE(fromPacked.log.find("Extract File install.bin 0"), std::string::npos) << fromPacked.log;
}

TEST_F(PackE2eTest, SignedWithInformationBlockVerifiesEverywhereAndRunsAsTheBuiltOne)
{
    // Signed, then the block added into the signature; for the packed and
    // the built bootstrapper alike.
    const std::string information = "<info product=\"Corvane\"/>";
    WriteFile(Dir() / "info.txt", information);
    const auto withBlock = [&](const fs::path& exe, const std::string& name) {
        const fs::path copy = Signed(exe, name);
        const std::string append = Quote((Win64Dir() / "host-tools" / "vellox-append-info").string()) + " " +
                                   Quote(copy.string()) + " " + Quote((Dir() / "info.txt").string()) + " 2>&1";
        EXPECT_EQ(Capture(append), "");
        return copy;
    };
    const fs::path packed = withBlock(PackExample("packed.exe"), "packed-info.exe");
    const fs::path built = withBlock(Payloads() / "example_payload.exe", "built-info.exe");

    // osslsigncode agrees, and the certificate table passes the strict
    // padding check: one PKCS #7 structure, nothing after it.
    const std::string verify = Capture("osslsigncode verify -CAfile " +
                                       Quote((WorkDir() / "signing" / "test-cert.pem").string()) + " -in " +
                                       Quote(packed.string()));
    EXPECT_NE(verify.find("Signature verification: ok"), std::string::npos) << verify;
    const std::string bytes = ReadFile(packed);
    EXPECT_TRUE(payload_tool::IsStrictCertificateTable(bytes));
    EXPECT_EQ(bytes.substr(bytes.size() - information.size() - 10), "MRDC" + information + std::string(6, '\0'));

    // Wine verifies it (a silent run would end with 0x800B0100 otherwise)
    // and the block becomes info.xml beside the payload.
    const Outcome fromBuilt = RunIn("built", built, "/dontrun /keep");
    const Outcome fromPacked = RunIn("packed", packed, "/dontrun /keep");
    ASSERT_EQ(fromPacked.exitCode, std::optional<std::uint32_t>(0u)) << fromPacked.raw << fromPacked.log;
    ExpectSame(fromBuilt, fromPacked);
    EXPECT_EQ(fromPacked.files.at("{GUID}/info.xml"), information);
    EXPECT_NE(fromPacked.log.find("Found embedded information '" + information + "'"), std::string::npos);
}

TEST_F(PackE2eTest, UnsignedPackedExampleIsRefusedAsTheBuiltOne)
{
    const Outcome fromBuilt = RunIn("built", Payloads() / "example_payload.exe", "/dontrun");
    const Outcome fromPacked = RunIn("packed", PackExample("packed.exe"), "/dontrun");
    ASSERT_EQ(fromBuilt.exitCode, std::optional<std::uint32_t>(0x800B0100u)) << fromBuilt.raw << fromBuilt.log;
    ExpectSame(fromBuilt, fromPacked);
}

TEST_F(PackE2eTest, PackedDemoPayloadRunsItsInstallerAndEndsWithItsExitCode)
{
    // The product's own demo payload, in its build's order: the fake
    // installer really runs, and its exit code becomes the bootstrapper's.
    const fs::path demo = fs::path(VELLOX_SOURCE_DIR) / "tests" / "fixtures" / "demo_payload";
    const fs::path packed = Pack(
        "demo.exe", " --entry " +
                        Quote("102|Tarnwick.Wizard.exe|" + (Win64Dir() / "tests/fixtures/fake_installer.exe").string() + "|") +
                        " --entry " + Quote("103|Tarnwick.Wizard.exe.config|" + (demo / "Tarnwick.Wizard.exe.config").string() + "|") +
                        " --entry " + Quote("104|ProjectItems.xml|" + (demo / "ProjectItems.xml").string() + "|"));
    const RunOptions options{.environment = {{"VELLOX_FAKE_EXIT", "7"}}};
    const Outcome fromBuilt = RunIn("built", Signed(Win64Dir() / "vellox.exe", "built-signed.exe"), "", options);
    const Outcome fromPacked = RunIn("packed", Signed(packed, "demo-signed.exe"), "", options);
    ASSERT_EQ(fromBuilt.exitCode, std::optional<std::uint32_t>(7u)) << fromBuilt.raw << fromBuilt.log;
    ExpectSame(fromBuilt, fromPacked);
    EXPECT_TRUE(fromPacked.files.empty());  // the folder is gone again
}

TEST_F(PackE2eTest, WindowsBuildOfTheToolWritesTheSameBytes)
{
    const fs::path windowsTool = Win64Dir() / "pack-tool" / "vellox-pack.exe";
    ASSERT_TRUE(fs::exists(windowsTool)) << windowsTool << " is not built";
    // A configuration file with a relative payload folder, an icon and an
    // information block: every input kind the tool reads.
    const fs::path conf = Dir() / "conf";
    fs::create_directories(conf / "payload" / "bin");
    fs::copy_file(Win64Dir() / "tests/fixtures/fake_installer.exe", conf / "payload" / "Setup.exe");
    WriteFile(conf / "payload" / "bin" / "Lib.dll", std::string(70000, 'L'));
    WriteFile(conf / "payload" / "readme.txt", "read me");
    fs::copy_file(fs::path(VELLOX_SOURCE_DIR) / "ui" / "art" / "corvane.ico", conf / "product.ico");
    WriteFile(conf / "info.xml", "<info/>");
    WriteFile(conf / "product.toml", "payload-dir = \"payload\"\nprogram = \"Setup.exe\"\n"
                                     "product-name = \"Tarn Suite\"\nnet-levels = \"0 0 0 0 1 - -\"\n"
                                     "icon = \"product.ico\"\ninfo-block = \"info.xml\"\n");
    const fs::path stub = Win64Dir() / "vellox-stub.exe";
    const fs::path linuxOut = Pack("linux.exe", "--config " + Quote((conf / "product.toml").string()) +
                                                    " --required-mb 42");
    const fs::path windowsOut = Dir() / "windows.exe";
    ASSERT_EQ(WineCommand(Quote(windowsTool.string()) + " --stub " + Quote(WinPath(stub)) + " --output " +
                          Quote(WinPath(windowsOut)) + " --config " + Quote(WinPath(conf / "product.toml")) +
                          " --required-mb 42"),
              0)
        << ReadFile(Dir() / "wine-commands.out");
    ASSERT_TRUE(fs::exists(windowsOut));
    EXPECT_TRUE(ReadFile(windowsOut) == ReadFile(linuxOut)) << "the two builds of the tool wrote different bytes";
    EXPECT_NE(ReadFile(linuxOut).find("MRDC<info/>"), std::string::npos);

    // A refusal under Windows too: exit code and no output.
    EXPECT_NE(WineCommand(Quote(windowsTool.string()) + " --stub " + Quote(WinPath(windowsOut)) + " --output " +
                          Quote(WinPath(Dir() / "again.exe")) + " --payload-dir " + Quote(WinPath(conf / "payload")) +
                          " --program Setup.exe"),
              0);
    EXPECT_FALSE(fs::exists(Dir() / "again.exe"));
    EXPECT_NE(ReadFile(Dir() / "wine-commands.out").find("vellox-pack: the stub already holds a payload"),
              std::string::npos)
        << ReadFile(Dir() / "wine-commands.out");
}

}  // namespace
}  // namespace e2e
