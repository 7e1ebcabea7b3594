// The information block appended to a finished bootstrapper: "MRDC", the
// payload, and 6 trailing bytes that are not part of it.
#pragma once

#include <string>

namespace payload_tool {

inline constexpr std::size_t kMaxInformationBytes = 4106;

// The bytes to append. Refuses an empty or too long payload, and one whose
// block would hold the marker a second time (the bootstrapper takes the
// marker nearest the end, so it would read the wrong payload).
std::string BuildInformationBlock(const std::string& payload, const std::string& trailer = std::string(6, '\0'));

}  // namespace payload_tool
