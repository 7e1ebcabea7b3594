// Little-endian fields of an executable image held in memory, and its
// optional header's checksum. A read past the end is a truncated image.
#pragma once

#include "payload_script.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace payload_tool {

inline std::uint32_t Read32(const std::string& image, std::size_t at)
{
    if (at > image.size() || image.size() - at < 4)
        throw ToolError("the executable is truncated");
    return static_cast<std::uint32_t>(static_cast<unsigned char>(image[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(image[at + 3])) << 24;
}

inline std::uint16_t Read16(const std::string& image, std::size_t at)
{
    if (at > image.size() || image.size() - at < 2)
        throw ToolError("the executable is truncated");
    return static_cast<std::uint16_t>(static_cast<unsigned char>(image[at]) |
                                      static_cast<unsigned char>(image[at + 1]) << 8);
}

inline void Write32(std::string& image, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        image[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void Write16(std::string& image, std::size_t at, std::uint16_t value)
{
    image[at] = static_cast<char>(value & 0xFF);
    image[at + 1] = static_cast<char>(value >> 8);
}

// The image checksum: 16-bit one's-complement-style sum of the file with the
// checksum field (at checksumAt) counted as zero, plus the file length.
inline std::uint32_t ImageChecksum(const std::string& image, std::size_t checksumAt)
{
    std::uint64_t sum = 0;
    // The field's bytes count as zero one by one: it need not be aligned.
    const auto byteAt = [&](std::size_t at) -> std::uint32_t {
        if (at >= image.size() || (at >= checksumAt && at < checksumAt + 4))
            return 0;
        return static_cast<unsigned char>(image[at]);
    };
    for (std::size_t at = 0; at < image.size(); at += 2) {
        sum += byteAt(at) | byteAt(at + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

}  // namespace payload_tool
