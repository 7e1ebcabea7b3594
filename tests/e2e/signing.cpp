#include "signing.h"

namespace e2e {

namespace {

fs::path SigningDir()
{
    return WorkDir() / "signing";
}

}  // namespace

fs::path TestCertificate() { return SigningDir() / "test-cert.pem"; }
fs::path TestKey() { return SigningDir() / "test-key.pem"; }
fs::path SignedExe() { return SigningDir() / "vellox.exe"; }
fs::path SignedVariant(const std::string& name) { return SigningDir() / (name + ".exe"); }

std::string SignWithTestCertificate(const fs::path& input, const fs::path& output, const std::string& programName,
                                    const std::string& moreInfo)
{
    const fs::path tool = fs::path(VELLOX_SOURCE_DIR) / "tools" / "sign_bootstrapper.sh";
    std::string command = Quote(tool.string()) + " --cert " + Quote(TestCertificate().string()) + " --key " +
                          Quote(TestKey().string());
    if (!programName.empty())
        command += " --name " + Quote(programName);
    if (!moreInfo.empty())
        command += " --url " + Quote(moreInfo);
    command += " " + Quote(input.string()) + " " + Quote(output.string());
    const std::string said = Capture(command);
    return fs::exists(output) ? std::string() : "signing failed: " + said;
}

std::string VerifyWithOsslsigncode(const fs::path& path)
{
    return Capture("osslsigncode verify -CAfile " + Quote(TestCertificate().string()) + " -in " + Quote(path.string()));
}

}  // namespace e2e
