// Signed bootstrappers for the end-to-end tests. A run's throw-away test
// certificate and the signed default bootstrapper are made once per test run
// by the signing fixture (signing.sh).
#pragma once

#include "wine_harness.h"

#include <string>

namespace e2e {

// The more-information link in every test signature; SignedExe() has no
// program name, the tests that need one sign their own copy.
inline constexpr const char* kSignedMoreInfo = "http://example.test/more";
inline constexpr const char* kSignedProgramName = "Corvane Setup";
// The test certificate's serial number as certificate viewers show it.
inline constexpr const char* kTestSerialNumber = "1A2B3C4D5E6F";

fs::path TestCertificate();
fs::path TestKey();
// vellox.exe of the win64 build, signed with the test certificate.
fs::path SignedExe();
// A bootstrapper variant of the fixtures (vellox_<name>.exe), signed likewise.
fs::path SignedVariant(const std::string& name);

// Signs input into output with the test certificate. Empty when it worked,
// else what the signing tool said.
std::string SignWithTestCertificate(const fs::path& input, const fs::path& output,
                                    const std::string& programName,
                                    const std::string& moreInfo = kSignedMoreInfo);
// osslsigncode's verification of path against the test certificate (its
// whole output; the last line is "Succeeded" when the signature holds).
std::string VerifyWithOsslsigncode(const fs::path& path);

}  // namespace e2e
