#include "trust/verify_file_signature.h"

#include "app/diagnostic_log.h"
#include "app/format.h"
#include "app/long_path.h"

std::wstring DescribeTrustOutcome(const TrustOutcome& outcome, const std::wstring& path)
{
    switch (outcome.status) {
    case 0:
        return Format("The file \"%s\" is signed and the signature was verified.\n", path);
    case TrustStatus::kNoSignature:
        // The same status covers a file without a signature and a verifier
        // that could not look; the last error tells them apart.
        if (outcome.lastError == TrustStatus::kNoSignature || outcome.lastError == TrustStatus::kSubjectFormUnknown ||
            outcome.lastError == TrustStatus::kProviderUnknown)
            return Format("The file \"%s\" is not signed.\n", path);
        return Format("An unknown error occurred trying to verify the signature of the \"%s\" file.\n", path);
    case TrustStatus::kExplicitDistrust:
        return AsciiLiteral("The signature is present, but specifically disallowed.\n").Widen();
    case TrustStatus::kSubjectNotTrusted:
        return AsciiLiteral("The signature is present, but not trusted.\n").Widen();
    case TrustStatus::kSecuritySettings:
        return AsciiLiteral("The subject or the publisher wasn't explicitly trusted by the admin and admin policy has "
                            "disabled user trust. No signature, publisher or timestamp errors.\n")
            .Widen();
    default:
        return Format("Error is: 0x%x.\n", outcome.status);
    }
}

std::int32_t VerifyFileSignature(TrustVerifier& verifier, const std::wstring& path, std::wstring& description)
{
    const TrustOutcome outcome = verifier.VerifyFile(MakeExtendedLengthPath(path));
    description = DescribeTrustOutcome(outcome, path);
    LogMessage("Digital verification: '%s'\n", description);
    return static_cast<std::int32_t>(outcome.status);
}

std::int32_t VerifyOwnFileSignature(TrustVerifier& verifier, const std::optional<std::wstring>& ownPath,
                                    std::wstring& description)
{
    if (ownPath)
        return VerifyFileSignature(verifier, *ownPath, description);
    description = AsciiLiteral("The program's own path could not be read whole.\n").Widen();
    LogMessage("Digital verification: '%s'\n", description);
    return static_cast<std::int32_t>(TrustStatus::kNoSignature);
}
