#pragma once

#include "trust/trust_verifier.h"

#include <cstdint>
#include <optional>
#include <string>

// Trust and crypto statuses the description distinguishes.
namespace TrustStatus {
inline constexpr std::uint32_t kNoSignature = 0x800B0100;           // TRUST_E_NOSIGNATURE
inline constexpr std::uint32_t kSubjectFormUnknown = 0x800B0003;    // TRUST_E_SUBJECT_FORM_UNKNOWN
inline constexpr std::uint32_t kProviderUnknown = 0x800B0001;       // TRUST_E_PROVIDER_UNKNOWN
inline constexpr std::uint32_t kExplicitDistrust = 0x800B0111;      // TRUST_E_EXPLICIT_DISTRUST
inline constexpr std::uint32_t kSubjectNotTrusted = 0x800B0004;     // TRUST_E_SUBJECT_NOT_TRUSTED
inline constexpr std::uint32_t kSecuritySettings = 0x80092026;      // CRYPT_E_SECURITY_SETTINGS
}  // namespace TrustStatus

// The one-line account (ending in a line feed) of a verification outcome for
// the file at path.
std::wstring DescribeTrustOutcome(const TrustOutcome& outcome, const std::wstring& path);

// Verifies the Authenticode signature of the file at path (a long path is
// handed on in its extended-length form) and logs the account of the
// outcome. Returns the verifier's status unchanged: 0 when it verified.
// description always receives the account.
std::int32_t VerifyFileSignature(TrustVerifier& verifier, const std::wstring& path, std::wstring& description);

// Verifies the running program's own file at ownPath, as VerifyFileSignature
// does. Without the whole path (nullopt) nothing is asked: a cut path would
// name another file, so the outcome is TrustStatus::kNoSignature, with an
// account that says why.
std::int32_t VerifyOwnFileSignature(TrustVerifier& verifier, const std::optional<std::wstring>& ownPath,
                                    std::wstring& description);
