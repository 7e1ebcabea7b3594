#pragma once

#include "trust/trust_verifier.h"

// WinVerifyTrust from wintrust.dll, loaded from the system folder on first
// use. When the library or the call cannot be found, the outcome is
// TRUST_E_PROVIDER_UNKNOWN with the platform's error as the last error.
class Win32TrustVerifier final : public TrustVerifier {
public:
    TrustOutcome VerifyFile(const std::wstring& path) override;
};
