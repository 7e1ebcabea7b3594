#include "signed_image.h"

#include "image_bytes.h"
#include "payload_script.h"

#include <cstdint>
#include <vector>

namespace payload_tool {

namespace {

constexpr std::size_t kCertificateAlignment = 8;
constexpr std::size_t kWinCertificateHeader = 8;  // dwLength, wRevision, wCertificateType
constexpr std::uint32_t kSecurityDirectory = 4;

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

// A DER element: tag, where its header and its content lie.
struct DerElement {
    unsigned char tag = 0;
    std::size_t at = 0;
    std::size_t contentAt = 0;
    std::size_t end = 0;
};

// The element at `at`, which must end by `limit`. Only what a signature
// holds: single-byte tags and definite lengths.
DerElement ReadDer(const std::string& der, std::size_t at, std::size_t limit)
{
    if (at + 2 > limit)
        throw ToolError("the signature is malformed");
    DerElement element;
    element.tag = static_cast<unsigned char>(der[at]);
    element.at = at;
    if ((element.tag & 0x1F) == 0x1F)
        throw ToolError("the signature is malformed");
    std::size_t length = static_cast<unsigned char>(der[at + 1]);
    std::size_t header = 2;
    if (length & 0x80) {
        const std::size_t bytes = length & 0x7F;
        if (bytes == 0 || bytes > 4 || at + 2 + bytes > limit)
            throw ToolError("the signature is malformed (indefinite or overlong length)");
        length = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            length = length << 8 | static_cast<unsigned char>(der[at + 2 + i]);
        header += bytes;
    }
    element.contentAt = at + header;
    if (length > limit - element.contentAt)
        throw ToolError("the signature is malformed");
    element.end = element.contentAt + length;
    return element;
}

// The last element inside a constructed one.
DerElement LastChild(const std::string& der, const DerElement& parent, unsigned char wantedTag)
{
    if (parent.contentAt == parent.end)
        throw ToolError("the signature is malformed");
    DerElement child;
    for (std::size_t at = parent.contentAt; at < parent.end; at = child.end)
        child = ReadDer(der, at, parent.end);
    if (wantedTag != 0 && child.tag != wantedTag)
        throw ToolError("the signature is not the PKCS #7 signed data of a signed executable");
    return child;
}

std::string DerEncode(unsigned char tag, const std::string& content)
{
    std::string out(1, static_cast<char>(tag));
    if (content.size() < 0x80) {
        out.push_back(static_cast<char>(content.size()));
    } else {
        std::string length;
        for (std::size_t n = content.size(); n != 0; n >>= 8)
            length.insert(length.begin(), static_cast<char>(n & 0xFF));
        out.push_back(static_cast<char>(0x80 | length.size()));
        out += length;
    }
    return out + content;
}

// The attribute type of the information block: 2.25.147695787835852284045710993046545276691,
// an OID formed from a UUID, which needs no registration.
const std::string kInformationAttribute("\x06\x14\x69\x81\xDE\x9D\x96\xA3\xC7\xB7\xD2\xB9\xAB\x9A\xA0\xC3\x8F\xD5\xD9\xBA\xBE\x13",
                                        22);

// der (a PKCS #7 ContentInfo of signed data) with attribute added as the
// last unauthenticated attribute of its last signer, so that the attribute's
// bytes end the encoding. Every element on the way is the last one of its
// parent, so only their headers change.
std::string AddUnauthenticatedAttribute(const std::string& der, const std::string& attribute)
{
    const DerElement contentInfo = ReadDer(der, 0, der.size());
    if (contentInfo.tag != 0x30 || contentInfo.end != der.size())
        throw ToolError("the signature is not one PKCS #7 structure");
    std::vector<DerElement> path = {contentInfo};
    path.push_back(LastChild(der, path.back(), 0xA0));  // [0] EXPLICIT content
    path.push_back(LastChild(der, path.back(), 0x30));  // SignedData
    path.push_back(LastChild(der, path.back(), 0x31));  // signerInfos
    path.push_back(LastChild(der, path.back(), 0x30));  // the last SignerInfo
    const DerElement last = LastChild(der, path.back(), 0);
    std::string replaced;
    if (last.tag == 0xA1) {  // [1] IMPLICIT unauthenticatedAttributes
        for (std::size_t at = last.contentAt; at < last.end;) {
            const DerElement existing = ReadDer(der, at, last.end);
            const DerElement type = ReadDer(der, existing.contentAt, existing.end);
            if (der.compare(type.at, type.end - type.at, kInformationAttribute) == 0)
                throw ToolError("the signature already holds an information block");
            at = existing.end;
        }
        replaced = DerEncode(0xA1, der.substr(last.contentAt, last.end - last.contentAt) + attribute);
    } else {
        replaced = der.substr(last.at, last.end - last.at) + DerEncode(0xA1, attribute);
    }
    std::size_t childAt = last.at;
    for (auto element = path.rbegin(); element != path.rend(); ++element) {
        replaced = DerEncode(element->tag, der.substr(element->contentAt, childAt - element->contentAt) + replaced);
        childAt = element->at;
    }
    return replaced;
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
    const std::size_t length = Read32(image, tableAt);
    if (length < kWinCertificateHeader || length > tableSize ||
        (length + kCertificateAlignment - 1) / kCertificateAlignment * kCertificateAlignment != tableSize)
        throw ToolError("the certificate table must hold exactly one certificate entry");
    const std::size_t derAt = tableAt + kWinCertificateHeader;
    const std::string der = image.substr(derAt, ReadDer(image, derAt, tableAt + length).end - derAt);
    if (image.find_first_not_of('\0', derAt + der.size()) != std::string::npos)
        throw ToolError("the certificate table holds more than its signature (an information block added the old "
                        "way?)");

    // The attribute's value ends with the block, so the block ends the
    // signature and the file; zeros before the marker make the entry a
    // multiple of 8 long, leaving no padding after it.
    std::string entry;
    for (std::size_t padding = 0; padding < 2 * kCertificateAlignment; ++padding) {
        const std::string value = DerEncode(0x04, std::string(padding, '\0') + block);
        const std::string attribute = DerEncode(0x30, kInformationAttribute + DerEncode(0x31, value));
        const std::string signature = AddUnauthenticatedAttribute(der, attribute);
        if ((kWinCertificateHeader + signature.size()) % kCertificateAlignment == 0) {
            entry = image.substr(tableAt, kWinCertificateHeader) + signature;
            break;
        }
    }
    if (entry.empty() || entry.size() > 0xFFFFFFFFu)
        throw ToolError("the certificate table cannot take the block");
    Write32(entry, 0, static_cast<std::uint32_t>(entry.size()));
    image.resize(tableAt);
    image += entry;
    Write32(image, layout.securityEntryAt + 4, static_cast<std::uint32_t>(entry.size()));
    Write32(image, layout.checksumAt, ImageChecksum(image, layout.checksumAt));
    return image;
}

bool IsStrictCertificateTable(const std::string& image)
{
    try {
        const PeLayout layout = LocatePeHeaders(image);
        const std::size_t tableAt = Read32(image, layout.securityEntryAt);
        const std::size_t tableSize = Read32(image, layout.securityEntryAt + 4);
        if (tableAt > image.size() || tableSize > image.size() - tableAt)
            return false;
        for (std::size_t at = tableAt; at < tableAt + tableSize;) {
            const std::size_t length = Read32(image, at);
            if (length < kWinCertificateHeader || length > tableAt + tableSize - at)
                return false;
            const DerElement signature = ReadDer(image, at + kWinCertificateHeader, at + length);
            const std::size_t next = at + (length + kCertificateAlignment - 1) / kCertificateAlignment * kCertificateAlignment;
            if (next > tableAt + tableSize)
                return false;
            for (std::size_t i = signature.end; i < next; ++i) {
                if (image[i] != '\0')
                    return false;
            }
            at = next;
        }
        return true;
    } catch (const ToolError&) {
        return false;
    }
}

}  // namespace payload_tool
