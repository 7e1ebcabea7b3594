#include "payload_script.h"
#include "signed_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using payload_tool::AddInformationBlock;
using payload_tool::IsStrictCertificateTable;
using payload_tool::ToolError;

void Put32(std::string& image, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        image[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

std::uint32_t Get32(const std::string& image, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(image[at + static_cast<std::size_t>(i)]);
    return value;
}

// DER, written out by hand here so that the tool's own encoder is checked
// against an independent one.
std::string Der(unsigned char tag, const std::string& content)
{
    std::string out(1, static_cast<char>(tag));
    const std::size_t n = content.size();
    if (n < 0x80) {
        out += static_cast<char>(n);
    } else if (n < 0x100) {
        out += "\x81";
        out += static_cast<char>(n);
    } else {
        out += "\x82";
        out += static_cast<char>(n >> 8);
        out += static_cast<char>(n & 0xFF);
    }
    return out + content;
}

const std::string kSignedDataOid = Der(0x06, "\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02");

// A signer: version, issuer and serial, digest algorithm, encrypted digest
// of signatureBytes, and optionally unauthenticated attributes.
std::string SignerInfo(std::size_t signatureBytes, const std::string& unauthenticated = "")
{
    std::string content = Der(0x02, "\x01") + Der(0x30, Der(0x30, "issuer") + Der(0x02, "\x2A")) +
                          Der(0x30, Der(0x06, "\x60\x86\x48\x01\x65\x03\x04\x02\x01")) +
                          Der(0x04, std::string(signatureBytes, 'S'));
    if (!unauthenticated.empty())
        content += Der(0xA1, unauthenticated);
    return Der(0x30, content);
}

std::string Pkcs7(const std::string& signer)
{
    const std::string signedData = Der(0x02, "\x01") + Der(0x31, "") + Der(0x30, Der(0x06, "\x2B\x06\x01")) +
                                   Der(0xA0, std::string(300, 'C')) + Der(0x31, signer);
    return Der(0x30, kSignedDataOid + Der(0xA0, Der(0x30, signedData)));
}

// A small PE image: headers, 0x200 bytes of "code", and, when signed, a
// certificate table of one WIN_CERTIFICATE holding signature (padded to 8).
struct FakeImage {
    static constexpr std::size_t kPe = 0x80;
    static constexpr std::size_t kOptional = kPe + 24;
    bool pe32Plus = false;

    std::size_t ChecksumAt() const { return kOptional + 64; }
    std::size_t SecurityEntryAt() const { return kOptional + (pe32Plus ? 112 : 96) + 4 * 8; }

    std::string Build(const std::string& signature) const
    {
        std::string image(0x400, '\0');
        image[0] = 'M';
        image[1] = 'Z';
        Put32(image, 0x3C, kPe);
        image.replace(kPe, 4, std::string("PE\0\0", 4));
        image[kOptional] = 0x0B;
        image[kOptional + 1] = pe32Plus ? 0x02 : 0x01;
        Put32(image, kOptional + (pe32Plus ? 108 : 92), 16);
        for (int i = 0; i < 0x200; ++i)
            image.push_back(static_cast<char>(i * 7 + 1));
        if (!signature.empty()) {
            const std::size_t tableAt = image.size();
            const std::size_t length = 8 + signature.size();
            const std::size_t padded = (length + 7) / 8 * 8;
            std::string table(padded, '\0');
            Put32(table, 0, static_cast<std::uint32_t>(length));
            table[4] = 0x00;  // revision 2.0
            table[5] = 0x02;
            table[6] = 0x02;  // PKCS signed data
            table.replace(8, signature.size(), signature);
            image += table;
            Put32(image, SecurityEntryAt(), static_cast<std::uint32_t>(tableAt));
            Put32(image, SecurityEntryAt() + 4, static_cast<std::uint32_t>(padded));
        }
        return image;
    }
};

const std::string kBlock = std::string("MRDC") + "<info/>" + std::string(6, 'T');

// The information block's attribute: its type, then the block after the
// given number of zeros as an OCTET STRING.
std::string Attribute(std::size_t padding)
{
    return Der(0x30, Der(0x06, "\x69\x81\xDE\x9D\x96\xA3\xC7\xB7\xD2\xB9\xAB\x9A\xA0\xC3\x8F\xD5\xD9\xBA\xBE\x13") +
                         Der(0x31, Der(0x04, std::string(padding, '\0') + kBlock)));
}

// True when der is the expected signature for one of the paddings.
template <typename Expected>
bool MatchesSomePadding(const std::string& der, Expected expected)
{
    for (std::size_t padding = 0; padding < 16; ++padding) {
        if (der == expected(Attribute(padding)))
            return true;
    }
    return false;
}

TEST(SignedImageTest, UnsignedImageGetsThePlainBlockAppended)
{
    const std::string image = FakeImage{}.Build("");
    EXPECT_EQ(AddInformationBlock(image, kBlock), image + kBlock);
}

TEST(SignedImageTest, SignedImageGetsTheBlockAsTheLastSignersUnauthenticatedAttribute)
{
    // Signature sizes that give every remainder of 8, and lengths on both
    // sides of the one- and two-byte length forms.
    for (const bool pe32Plus : {false, true}) {
        for (const std::size_t signatureBytes : {40u, 41u, 42u, 43u, 44u, 45u, 46u, 47u, 100u, 120u, 200u, 1000u}) {
            SCOPED_TRACE(std::to_string(signatureBytes) + (pe32Plus ? " PE32+" : " PE32"));
            const FakeImage layout{pe32Plus};
            const std::string signer = SignerInfo(signatureBytes);
            const std::string image = layout.Build(Pkcs7(signer));
            const std::size_t tableAt = Get32(image, layout.SecurityEntryAt());

            const std::string result = AddInformationBlock(image, kBlock);
            EXPECT_TRUE(IsStrictCertificateTable(result));
            // The file still ends with the block, the 6 trailing bytes last.
            EXPECT_EQ(result.substr(result.size() - kBlock.size()), kBlock);
            // One entry, a multiple of 8 long, filling the table to the end.
            const std::size_t newSize = Get32(result, layout.SecurityEntryAt() + 4);
            EXPECT_EQ(Get32(result, layout.SecurityEntryAt()), tableAt);
            EXPECT_EQ(tableAt + newSize, result.size());
            EXPECT_EQ(newSize % 8, 0u);
            EXPECT_EQ(Get32(result, tableAt), newSize);
            EXPECT_EQ(result.substr(tableAt + 4, 4), image.substr(tableAt + 4, 4));

            // The same signature, with the attribute: zero padding, then the
            // block, as an OCTET STRING value of a new [1] set.
            EXPECT_TRUE(MatchesSomePadding(result.substr(tableAt + 8), [&](const std::string& attribute) {
                return Pkcs7(SignerInfo(signatureBytes, attribute));
            })) << "not the signature with the attribute added";

            // Everything the signature covers is unchanged.
            for (std::size_t at = 0; at < tableAt; ++at) {
                const bool excluded = (at >= layout.ChecksumAt() && at < layout.ChecksumAt() + 4) ||
                                      (at >= layout.SecurityEntryAt() && at < layout.SecurityEntryAt() + 8);
                if (!excluded && result[at] != image[at]) {
                    ADD_FAILURE() << "signed byte changed at " << at;
                    break;
                }
            }
        }
    }
}

TEST(SignedImageTest, ExistingUnauthenticatedAttributesAreKeptAndTheBlockComesLast)
{
    const FakeImage layout;
    const std::string countersignature = Der(0x30, Der(0x06, "\x2A\x86\x48\x86\xF7\x0D\x01\x09\x06") +
                                                       Der(0x31, Der(0x30, std::string(50, 'T'))));
    const std::string image = layout.Build(Pkcs7(SignerInfo(64, countersignature)));
    const std::string result = AddInformationBlock(image, kBlock);
    EXPECT_TRUE(IsStrictCertificateTable(result));
    // The same [1] set, grown by the attribute after the one it held.
    const std::size_t tableAt = Get32(image, layout.SecurityEntryAt());
    EXPECT_TRUE(MatchesSomePadding(result.substr(tableAt + 8), [&](const std::string& attribute) {
        return Pkcs7(SignerInfo(64, countersignature + attribute));
    }));
    EXPECT_EQ(result.substr(result.size() - kBlock.size()), kBlock);
    // A second block is refused: the bootstrapper would read only the last.
    EXPECT_THROW(AddInformationBlock(result, kBlock), ToolError);
}

TEST(SignedImageTest, StrictCheckRefusesDataAfterTheSignature)
{
    // The certificate entry grown over a block after the signature, the
    // layout the strict check rejects.
    const FakeImage layout;
    std::string image = layout.Build(Pkcs7(SignerInfo(64)));
    EXPECT_TRUE(IsStrictCertificateTable(image));
    const std::size_t tableAt = Get32(image, layout.SecurityEntryAt());
    image += kBlock;
    image.append((8 - image.size() % 8) % 8, '\0');
    Put32(image, tableAt, static_cast<std::uint32_t>(image.size() - tableAt));
    Put32(image, layout.SecurityEntryAt() + 4, static_cast<std::uint32_t>(image.size() - tableAt));
    EXPECT_FALSE(IsStrictCertificateTable(image));
    EXPECT_THROW(AddInformationBlock(image, kBlock), ToolError);
}

TEST(SignedImageTest, ChecksumIsRecomputedForTheGrownFile)
{
    const FakeImage layout;
    const std::string result = AddInformationBlock(layout.Build(Pkcs7(SignerInfo(64))), kBlock);
    // Recompute independently: 16-bit words with carries folded, checksum
    // field as zero, plus the length.
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < result.size(); at += 2) {
        if (at == layout.ChecksumAt() || at == layout.ChecksumAt() + 2)
            continue;
        sum += static_cast<unsigned char>(result[at]) |
               (at + 1 < result.size() ? static_cast<unsigned char>(result[at + 1]) << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    EXPECT_EQ(Get32(result, layout.ChecksumAt()), sum + result.size());
}

TEST(SignedImageTest, RefusesImagesWhereTheBlockWouldBreakTheSignatureOrTheFormat)
{
    const FakeImage layout;
    const std::string signature = Pkcs7(SignerInfo(64));
    std::string trailing = layout.Build(signature) + "after the table";
    std::string badLength = layout.Build(signature);
    Put32(badLength, Get32(badLength, layout.SecurityEntryAt()), 4);
    std::string overlong = layout.Build(signature);
    Put32(overlong, Get32(overlong, layout.SecurityEntryAt()), 0x10000);
    std::string notPe = layout.Build(signature);
    notPe[FakeImage::kPe] = 'X';
    std::string indefinite = signature;
    indefinite[1] = static_cast<char>(0x80);
    std::string twoEntries = layout.Build(signature);
    {
        std::string second(16, '\0');
        Put32(second, 0, 16);
        twoEntries += second;
        Put32(twoEntries, layout.SecurityEntryAt() + 4, Get32(twoEntries, layout.SecurityEntryAt() + 4) + 16);
    }
    const struct {
        const char* what;
        std::string image;
    } cases[] = {
        {"data after the certificate table", trailing},
        {"entry shorter than its header", badLength},
        {"entry longer than the table", overlong},
        {"two certificate entries", twoEntries},
        {"not DER", layout.Build(std::string(70, 'x'))},
        {"indefinite length", layout.Build(indefinite)},
        {"signed data without signers", layout.Build(Der(0x30, kSignedDataOid + Der(0xA0, Der(0x30, Der(0x02, "\x01")))))},
        {"no PE signature", notPe},
        {"not an executable", std::string("plain text, not an image at all, long enough to read a header from it....")},
        {"truncated", std::string("MZ")},
    };
    for (const auto& c : cases)
        EXPECT_THROW(AddInformationBlock(c.image, kBlock), ToolError) << c.what;
}

}  // namespace
