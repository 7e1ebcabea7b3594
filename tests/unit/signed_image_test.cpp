#include "payload_script.h"
#include "signed_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using payload_tool::AddInformationBlock;
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

// A small PE image: headers, 0x200 bytes of "code", and, when signed, a
// certificate table of one WIN_CERTIFICATE of certificateBytes (padded to 8).
struct FakeImage {
    static constexpr std::size_t kPe = 0x80;
    static constexpr std::size_t kOptional = kPe + 24;
    bool pe32Plus = false;

    std::size_t ChecksumAt() const { return kOptional + 64; }
    std::size_t SecurityEntryAt() const { return kOptional + (pe32Plus ? 112 : 96) + 4 * 8; }

    std::string Build(std::size_t certificateBytes) const
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
        if (certificateBytes > 0) {
            const std::size_t tableAt = image.size();
            const std::size_t length = 8 + certificateBytes;
            const std::size_t padded = (length + 7) / 8 * 8;
            std::string table(padded, '\0');
            Put32(table, 0, static_cast<std::uint32_t>(length));
            table[4] = 0x00;  // revision 2.0
            table[5] = 0x02;
            table[6] = 0x02;  // PKCS signed data
            for (std::size_t i = 8; i < length; ++i)
                table[i] = static_cast<char>(0x30 + i);
            image += table;
            Put32(image, SecurityEntryAt(), static_cast<std::uint32_t>(tableAt));
            Put32(image, SecurityEntryAt() + 4, static_cast<std::uint32_t>(padded));
        }
        return image;
    }
};

const std::string kBlock = std::string("MRDC") + "<info/>" + std::string(6, 'T');

TEST(SignedImageTest, UnsignedImageGetsThePlainBlockAppended)
{
    const std::string image = FakeImage{}.Build(0);
    EXPECT_EQ(AddInformationBlock(image, kBlock), image + kBlock);
}

TEST(SignedImageTest, SignedImageKeepsTheBlockInsideAnAlignedCertificateTable)
{
    // Certificate sizes that leave every remainder of 8 for the block.
    for (const bool pe32Plus : {false, true}) {
        for (std::size_t certificate = 100; certificate < 108; ++certificate) {
            const FakeImage layout{pe32Plus};
            const std::string image = layout.Build(certificate);
            const std::size_t tableAt = Get32(image, layout.SecurityEntryAt());
            const std::size_t tableSize = Get32(image, layout.SecurityEntryAt() + 4);

            const std::string result = AddInformationBlock(image, kBlock);
            SCOPED_TRACE(std::to_string(certificate) + (pe32Plus ? " PE32+" : " PE32"));
            // The file still ends with the block, the 6 trailing bytes last.
            ASSERT_GE(result.size(), image.size() + kBlock.size());
            EXPECT_EQ(result.substr(result.size() - kBlock.size()), kBlock);
            // Zero padding only, and only before the marker.
            const std::size_t padding = result.size() - image.size() - kBlock.size();
            EXPECT_LT(padding, 8u);
            EXPECT_EQ(result.substr(image.size(), padding), std::string(padding, '\0'));
            // Directory and certificate entry both cover the whole grown table.
            const std::size_t newSize = Get32(result, layout.SecurityEntryAt() + 4);
            EXPECT_EQ(Get32(result, layout.SecurityEntryAt()), tableAt);
            EXPECT_EQ(tableAt + newSize, result.size());
            EXPECT_EQ(newSize % 8, 0u);
            EXPECT_EQ(Get32(result, tableAt), newSize);
            EXPECT_EQ(newSize, tableSize + padding + kBlock.size());
            // Everything the signature covers is unchanged.
            for (std::size_t at = 0; at < tableAt; ++at) {
                const bool excluded = (at >= layout.ChecksumAt() && at < layout.ChecksumAt() + 4) ||
                                      (at >= layout.SecurityEntryAt() && at < layout.SecurityEntryAt() + 8);
                if (!excluded && result[at] != image[at]) {
                    ADD_FAILURE() << "signed byte changed at " << at;
                    break;
                }
            }
            EXPECT_EQ(result.substr(tableAt + 4, tableSize - 4), image.substr(tableAt + 4, tableSize - 4));
        }
    }
}

TEST(SignedImageTest, ChecksumIsRecomputedForTheGrownFile)
{
    const FakeImage layout;
    const std::string result = AddInformationBlock(layout.Build(64), kBlock);
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
    std::string trailing = layout.Build(64) + "after the table";
    std::string badLength = layout.Build(64);
    Put32(badLength, Get32(badLength, layout.SecurityEntryAt()), 4);
    std::string overlong = layout.Build(64);
    Put32(overlong, Get32(overlong, layout.SecurityEntryAt()), 0x10000);
    std::string notPe = layout.Build(64);
    notPe[FakeImage::kPe] = 'X';
    const struct {
        const char* what;
        std::string image;
    } cases[] = {
        {"data after the certificate table", trailing},
        {"entry shorter than its header", badLength},
        {"entry longer than the table", overlong},
        {"no PE signature", notPe},
        {"not an executable", std::string("plain text, not an image at all, long enough to read a header from it....")},
        {"truncated", std::string("MZ")},
    };
    for (const auto& c : cases)
        EXPECT_THROW(AddInformationBlock(c.image, kBlock), ToolError) << c.what;
}

}  // namespace
