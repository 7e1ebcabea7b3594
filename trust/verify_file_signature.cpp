#include "trust/verify_file_signature.h"

#include "app/diagnostic_log.h"
#include "app/format.h"

std::wstring DescribeTrustOutcome(const TrustOutcome& outcome, const std::wstring& path)
{
    switch (outcome.status) {
    case 0:
        return Format(L"The file \"%s\" is signed and the signature was verified.\n", path);
    case TrustStatus::kNoSignature:
        // The same status covers a file without a signature and a verifier
        // that could not look; the last error tells them apart.
        if (outcome.lastError == TrustStatus::kNoSignature || outcome.lastError == TrustStatus::kSubjectFormUnknown ||
            outcome.lastError == TrustStatus::kProviderUnknown)
            return Format(L"The file \"%s\" is not signed.\n", path);
        return Format(L"An unknown error occurred trying to verify the signature of the \"%s\" file.\n", path);
    case TrustStatus::kExplicitDistrust:
        return L"The signature is present, but specifically disallowed.\n";
    case TrustStatus::kSubjectNotTrusted:
        return L"The signature is present, but not trusted.\n";
    case TrustStatus::kSecuritySettings:
        return L"The subject or the publisher wasn't explicitly trusted by the admin and admin policy has disabled "
               L"user trust. No signature, publisher or timestamp errors.\n";
    default:
        return Format(L"Error is: 0x%x.\n", outcome.status);
    }
}

std::int32_t VerifyFileSignature(TrustVerifier& verifier, const std::wstring& path, std::wstring& description)
{
    const TrustOutcome outcome = verifier.VerifyFile(path);
    description = DescribeTrustOutcome(outcome, path);
    LogMessage("Digital verification: '%s'\n", description);
    return static_cast<std::int32_t>(outcome.status);
}
