#include "information_block.h"

#include "payload_script.h"

namespace payload_tool {

std::string BuildInformationBlock(const std::string& payload, const std::string& trailer)
{
    if (payload.empty() || payload.size() > kMaxInformationBytes)
        throw ToolError("the information must be 1 to " + std::to_string(kMaxInformationBytes) + " bytes, not " +
                        std::to_string(payload.size()));
    if (trailer.size() != 6)
        throw ToolError("the trailer must be exactly 6 bytes");
    const std::string block = "MRDC" + payload + trailer;
    if (block.find("MRDC", 1) != std::string::npos)
        throw ToolError("the information (with its trailer) may not hold \"MRDC\"");
    return block;
}

}  // namespace payload_tool
