// The details of a signature's first signer, and the start-up step that logs
// them and takes the signed program name.
#pragma once

#include "app/string_table.h"
#include "trust/own_module.h"
#include "trust/signer_reader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Object identifier of the program-and-publisher attribute.
inline constexpr const char* kOpusInfoObjectId = "1.3.6.1.4.1.311.2.1.12";  // SPC_SP_OPUS_INFO_OBJID

// Every field is absent (or 0) until read.
struct SignerInformation {
    std::optional<std::wstring> programName;
    std::optional<std::wstring> publisherLink;
    std::optional<std::wstring> moreInfo;
    std::uint32_t serialNumberLength = 0;
    std::optional<std::vector<std::uint8_t>> serialNumber;  // least significant byte first
    std::optional<std::wstring> issuerName;
    std::optional<std::wstring> subjectName;
};

// Reads the first signer of path's embedded signature into info (a long path
// is opened in its extended-length form). True when the signer could be
// read; fields may still be absent.
bool GetAuthenticodeInformation(SignerReader& reader, const std::wstring& path, SignerInformation& info);
// Fills program name and the two links from the signer's first
// program-and-publisher attribute, if it has one.
void GetProgAndPublisherInfo(const SignerMessage& message, SignerInformation& info);
// Fills the serial number, issuer and subject from the signer's certificate.
void ReadSignerCertificate(const SignerMessage& message, SignerInformation& info);

// The serial number as certificate viewers show it: upper-case hexadecimal,
// most significant byte first; "null" when absent.
std::wstring DescribeSerialNumber(const std::optional<std::vector<std::uint8_t>>& serialNumber);

// Logs the first signer's details and gives the program name forwarded to
// the installer: the signed program name if any, else the build's default.
// When the own path could not be read whole, no signer is read.
std::wstring LogSignerInformation(const StringTable& strings, const OwnModule& ownModule, SignerReader& reader);
