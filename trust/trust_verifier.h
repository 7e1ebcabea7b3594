// Verification of a file's Authenticode signature by the platform.
#pragma once

#include <cstdint>
#include <string>

// What the platform's verifier said about one file.
struct TrustOutcome {
    std::uint32_t status = 0;     // 0 when the signature verified, else a trust or crypto error
    std::uint32_t lastError = 0;  // the thread's last error read right after the call
};

class TrustVerifier {
public:
    virtual ~TrustVerifier() = default;
    // Verifies path with no user interface, no revocation checks and no
    // state kept after the call.
    virtual TrustOutcome VerifyFile(const std::wstring& path) = 0;
};
