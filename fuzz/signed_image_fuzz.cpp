// Adding the information block to a signed executable: the certificate
// table and the PKCS #7 structure in it are parsed and rewritten. Input: the
// executable. Whatever is accepted must end with the block, keep every byte
// the signature covers, and pass the strict certificate-table check.
#include "payload_script.h"
#include "signed_image.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

std::uint32_t Get32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string image(reinterpret_cast<const char*>(data), size);
    const std::string block = std::string("MRDC") + "<info/>" + std::string(6, '\0');
    const bool strictBefore = payload_tool::IsStrictCertificateTable(image);
    std::string result;
    try {
        result = payload_tool::AddInformationBlock(image, block);
    } catch (const payload_tool::ToolError&) {
        return 0;
    }
    Check(result.size() >= image.size() + block.size());
    Check(result.compare(result.size() - block.size(), block.size(), block) == 0);
    if (result.size() != image.size() + block.size() || result.compare(0, image.size(), image) != 0) {
        // Signed: the table was rebuilt, and now passes the strict check.
        Check(strictBefore);
        Check(payload_tool::IsStrictCertificateTable(result));
        const std::size_t pe = Get32(image, 0x3C);
        const std::size_t optional = pe + 24;
        const bool plus = image[optional + 1] == 0x02;
        const std::size_t security = optional + (plus ? 112 : 96) + 4 * 8;
        const std::size_t tableAt = Get32(image, security);
        for (std::size_t at = 0; at < tableAt; ++at) {
            if ((at >= optional + 64 && at < optional + 68) || (at >= security && at < security + 8))
                continue;
            Check(result[at] == image[at]);
        }
    }
    return 0;
}
