// Adding an information block to a finished, possibly signed, executable.
//
// An Authenticode signature covers every byte of the file except the
// checksum, the certificate table's directory entry and the certificate
// table itself. A block appended after a signed file's certificate table is
// therefore outside the table and breaks the signature; placed inside the
// table (the last certificate entry and the directory both grown to cover
// it), it is outside the signed bytes and the signature still verifies.
#pragma once

#include <string>

namespace payload_tool {

// image with block added at its end. An unsigned image (empty certificate
// directory) gets the block appended. A signed image gets the block inside
// its certificate table: zero padding first, so that the table stays a
// multiple of 8 bytes long, then the block, which still ends the file; the
// directory size and the last WIN_CERTIFICATE's length grow to match and the
// image checksum is recomputed. Throws ToolError for an image that is not a
// PE file, or whose certificate table does not end the file or is malformed.
std::string AddInformationBlock(std::string image, const std::string& block);

}  // namespace payload_tool
