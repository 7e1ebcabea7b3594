#include "signed_image.h"

#include "payload_script.h"

#include <cstdint>

namespace payload_tool {

namespace {

constexpr std::size_t kCertificateAlignment = 8;
constexpr std::size_t kWinCertificateHeader = 8;  // dwLength, wRevision, wCertificateType
constexpr std::uint32_t kSecurityDirectory = 4;

std::uint32_t Read32(const std::string& image, std::size_t at)
{
    if (at > image.size() || image.size() - at < 4)
        throw ToolError("the executable is truncated");
    return static_cast<std::uint32_t>(static_cast<unsigned char>(image[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + 3])) << 24;
}

std::uint16_t Read16(const std::string& image, std::size_t at)
{
    if (at > image.size() || image.size() - at < 2)
        throw ToolError("the executable is truncated");
    return static_cast<std::uint16_t>(static_cast<unsigned char>(image[at]) |
                                      static_cast<unsigned char>(image[at + 1]) << 8);
}

void Write32(std::string& image, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        image[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Where the optional header's checksum and the security directory entry are.
struct PeLayout {
    std::size_t checksumAt = 0;
    std::size_t securityEntryAt = 0;
};

PeLayout LocatePeHeaders(const std::string& image)
{
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z')
        throw ToolError("not an executable (no MZ header)");
    const std::size_t pe = Read32(image, 0x3C);
    if (Read32(image, pe) != 0x00004550)  // "PE\0\0"
        throw ToolError("not a PE executable");
    const std::size_t optional = pe + 4 + 20;
    const std::uint16_t magic = Read16(image, optional);
    std::size_t directoryCountAt = 0;
    if (magic == 0x10B)
        directoryCountAt = optional + 92;
    else if (magic == 0x20B)
        directoryCountAt = optional + 108;
    else
        throw ToolError("unknown optional header");
    if (Read32(image, directoryCountAt) <= kSecurityDirectory)
        throw ToolError("the executable has no certificate directory entry");
    const std::size_t entry = directoryCountAt + 4 + kSecurityDirectory * 8;
    Read32(image, entry + 4);  // bounds
    return PeLayout{optional + 64, entry};
}

// The image checksum: 16-bit one's-complement-style sum of the file with the
// checksum field counted as zero, plus the file length.
std::uint32_t ImageChecksum(const std::string& image, std::size_t checksumAt)
{
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < image.size(); at += 2) {
        if (at >= checksumAt && at < checksumAt + 4)
            continue;
        std::uint32_t word = static_cast<unsigned char>(image[at]);
        if (at + 1 < image.size())
            word |= static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + 1])) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

}  // namespace

std::string AddInformationBlock(std::string image, const std::string& block)
{
    const PeLayout layout = LocatePeHeaders(image);
    const std::size_t tableAt = Read32(image, layout.securityEntryAt);
    const std::size_t tableSize = Read32(image, layout.securityEntryAt + 4);
    if (tableAt == 0 && tableSize == 0)
        return image + block;

    if (tableAt > image.size() || image.size() - tableAt != tableSize)
        throw ToolError("the certificate table does not end the file; the block cannot be added without breaking "
                        "the signature");
    // Find the last certificate entry; every entry starts 8-byte aligned.
    std::size_t last = tableAt;
    for (std::size_t at = tableAt; at < image.size();) {
        const std::size_t length = Read32(image, at);
        if (length < kWinCertificateHeader || length > image.size() - at)
            throw ToolError("malformed certificate table");
        last = at;
        at += (length + kCertificateAlignment - 1) / kCertificateAlignment * kCertificateAlignment;
    }

    const std::size_t padding =
        (kCertificateAlignment - (tableSize + block.size()) % kCertificateAlignment) % kCertificateAlignment;
    image.append(padding, '\0');
    image += block;
    const std::size_t newTableSize = image.size() - tableAt;
    if (newTableSize > 0xFFFFFFFFu)
        throw ToolError("the certificate table would grow beyond 4 GB");
    Write32(image, layout.securityEntryAt + 4, static_cast<std::uint32_t>(newTableSize));
    Write32(image, last, static_cast<std::uint32_t>(image.size() - last));
    Write32(image, layout.checksumAt, ImageChecksum(image, layout.checksumAt));
    return image;
}

}  // namespace payload_tool
