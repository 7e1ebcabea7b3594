#include "signing.h"

#include <array>
#include <cstdio>
#include <memory>

namespace e2e {

namespace {

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Capture(const std::string& command)
{
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>&1").c_str(), "r"), ::pclose);
    if (!pipe)
        return "could not run: " + command;
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0;)
        output.append(buffer.data(), n);
    return output;
}

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
