// Adding an information block to a finished, possibly signed, executable.
//
// An Authenticode signature covers every byte of the file except the
// checksum, the certificate table's directory entry and the certificate
// table itself, which holds the signature; the signer's own signature there
// covers its authenticated attributes only. The block goes into an
// unauthenticated attribute, placed so that the certificate table still
// holds exactly one well-formed PKCS #7 structure with nothing after it (the
// platform's stricter certificate check, EnableCertPaddingCheck, refuses
// anything else) while the block's bytes still end the file, where the
// bootstrapper's tail scan finds them.
// Nothing covers the block: anyone can change it.
#pragma once

#include <string>

namespace payload_tool {

// image with block added at its end. An unsigned image (empty certificate
// directory) gets the block appended. A signed image, whose certificate
// table must end the file and hold one entry, gets the block as the value
// (an OCTET STRING) of a new unauthenticated attribute of its last signer,
// the last bytes of the signature: zeros before the marker keep the entry a
// multiple of 8 bytes long. The directory size and the entry's length grow
// to match and the image checksum is recomputed. Throws ToolError for an
// image that is not a PE file, whose certificate table does not end the
// file, is malformed or holds anything after the signature, or whose
// signature already holds a block.
std::string AddInformationBlock(std::string image, const std::string& block);

// True when every entry of image's certificate table holds one DER
// structure whose encoded length, rounded up to 8, is the entry's, followed
// by zeros only, and the entries fill the table: the certificate table as
// the platform's strict check (EnableCertPaddingCheck) reads it.
bool IsStrictCertificateTable(const std::string& image);

}  // namespace payload_tool
