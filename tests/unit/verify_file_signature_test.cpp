#include "app_fixture.h"
#include "trust/verify_file_signature.h"

#include <gtest/gtest.h>

namespace {

using VerifyFileSignatureTest = AppFixture;

const std::wstring kPath = L"C:\\Downloads\\setup.exe";

TEST_F(VerifyFileSignatureTest, EveryStatusAndLastErrorGetsItsText)
{
    const std::wstring notSigned = L"The file \"C:\\Downloads\\setup.exe\" is not signed.\n";
    const std::wstring unknown =
        L"An unknown error occurred trying to verify the signature of the \"C:\\Downloads\\setup.exe\" file.\n";
    const struct {
        std::uint32_t status;
        std::uint32_t lastError;
        std::wstring text;
    } cases[] = {
        {0, 0x800B0100, L"The file \"C:\\Downloads\\setup.exe\" is signed and the signature was verified.\n"},
        {0x800B0100, 0x800B0100, notSigned},
        {0x800B0100, 0x800B0003, notSigned},
        {0x800B0100, 0x800B0001, notSigned},
        {0x800B0100, 0, unknown},
        {0x800B0100, 2, unknown},
        {0x800B0100, 0x800B0004, unknown},
        {0x800B0111, 0, L"The signature is present, but specifically disallowed.\n"},
        {0x800B0004, 0, L"The signature is present, but not trusted.\n"},
        {0x80092026, 0,
         L"The subject or the publisher wasn't explicitly trusted by the admin and admin policy has disabled user "
         L"trust. No signature, publisher or timestamp errors.\n"},
        // Outside the table: lower-case hexadecimal, no padding; the last
        // error only matters for a missing signature.
        {0x80096010, 0x800B0100, L"Error is: 0x80096010.\n"},
        {0x800B010A, 0, L"Error is: 0x800b010a.\n"},
        {0x800B0001, 0, L"Error is: 0x800b0001.\n"},
        {1, 0, L"Error is: 0x1.\n"},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        trustVerifier.outcome = {c.status, c.lastError};
        std::wstring description = L"stale";
        const std::int32_t status = VerifyFileSignature(trustVerifier, kPath, description);
        EXPECT_EQ(static_cast<std::uint32_t>(status), c.status) << std::hex << c.status;
        EXPECT_EQ(description, c.text) << std::hex << c.status << " " << c.lastError;
        // The account keeps its own line feed inside the quotes.
        EXPECT_EQ(LoggedText(), L"Digital verification: '" + c.text + L"'\n") << std::hex << c.status;
    }
    EXPECT_EQ(trustVerifier.paths.back(), kPath);
}

}  // namespace
