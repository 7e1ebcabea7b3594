// Reading the first signer of a file's embedded Authenticode signature.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The step at which opening a signature's first signer failed.
enum class SignerOpenFailure {
    kNone,
    kCopyPath,        // the path is longer than the platform's longest
    kQueryObject,     // no embedded PKCS #7 signature could be read
    kSignerInfoSize,  // the signer information's size could not be asked for
    kAllocate,        // its buffer could not be allocated
    kSignerInfo,      // it could not be read
};

// The step at which decoding a program-and-publisher attribute failed.
enum class OpusDecodeFailure { kNone, kSize, kAllocate, kDecode };

// Link choices of a program-and-publisher link.
namespace SignerLinkChoice {
inline constexpr std::uint32_t kUrl = 1;      // SPC_URL_LINK_CHOICE
inline constexpr std::uint32_t kMoniker = 2;  // SPC_MONIKER_LINK_CHOICE
inline constexpr std::uint32_t kFile = 3;     // SPC_FILE_LINK_CHOICE
}  // namespace SignerLinkChoice

struct SignerLink {
    std::uint32_t choice = 0;
    // The URL (choice 1) or file (choice 3) text; absent for other choices.
    std::optional<std::wstring> text;
};

// The decoded program-and-publisher attribute.
struct OpusInfo {
    std::optional<std::wstring> programName;
    std::optional<SignerLink> moreInfo;
    std::optional<SignerLink> publisherInfo;
};

// The signer's certificate as found in the signature's own store.
struct SignerCertificate {
    std::vector<std::uint8_t> serialNumber;  // least significant byte first
    std::optional<std::wstring> issuerName;  // simple display names; absent when
    std::optional<std::wstring> subjectName; // the platform gave none
};

// An opened signature's first signer. Releases everything it holds when
// destroyed.
class SignerMessage {
public:
    virtual ~SignerMessage() = default;
    // Object identifiers of the signer's authenticated attributes, in their
    // stored order; the texts stay valid while the message lives.
    virtual std::vector<std::string_view> AuthenticatedAttributeIds() const = 0;
    // Decodes the first value of the attribute at index as program and
    // publisher information.
    virtual OpusDecodeFailure DecodeOpusInfo(std::size_t index, OpusInfo& info) const = 0;
    // The certificate whose issuer and serial number the signer names, from
    // the signature's own store; absent when there is none.
    virtual std::optional<SignerCertificate> FindSignerCertificate() const = 0;
};

class SignerReader {
public:
    virtual ~SignerReader() = default;
    // Opens the embedded PKCS #7 signature of the file at path and reads its
    // first signer. Null on failure, with the failing step in failure.
    virtual std::unique_ptr<SignerMessage> Open(const std::wstring& path, SignerOpenFailure& failure) = 0;
};
