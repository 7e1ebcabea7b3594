// The PE reading and writing of vellox-pack. Input: two bytes giving the
// length of the image, the image (a stub), and the rest as a resource set
// to add: a payload resource, string-table entries and an icon file.
// Whatever the reader accepts must rebuild into an image that reads back to
// the same tree, rebuilds to the same bytes and carries a right checksum.
#include "pe_resources.h"
#include "payload_script.h"
#include "stub_resources.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace payload_tool;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t imageSize = std::min<std::size_t>(size - 2, data[0] | data[1] << 8 | 0u);
    const std::string image(reinterpret_cast<const char*>(data + 2), imageSize);
    const std::string extra(reinterpret_cast<const char*>(data + 2 + imageSize), size - 2 - imageSize);
    ResourceTree tree;
    try {
        ReadPeFacts(image);
        tree = ReadResources(image);
    } catch (const ToolError&) {
        return 0;
    }
    if (!extra.empty()) {
        tree[ResourceKey::Name(u"TOOLKIT")][ResourceKey::Id(101)][0x409] = ResourceData{extra, 0};
        std::map<std::uint16_t, std::u16string> strings;
        for (std::size_t i = 0; i + 1 < extra.size() && i < 16; i += 2)
            strings[static_cast<std::uint16_t>(static_cast<unsigned char>(extra[i]) * 3)] =
                std::u16string(static_cast<unsigned char>(extra[i + 1]) % 8, u'x');
        SetStrings(tree, strings);
        try {
            ReplaceIcon(tree, extra);
        } catch (const ToolError&) {
        }
    }
    std::string out;
    try {
        out = ReplaceResources(image, tree, 0x5EED);
    } catch (const ToolError&) {
        return 0;
    }
    Check(ReadResources(out) == tree);
    Check(ReplaceResources(out, tree, 0x5EED) == out);
    Check(ComputeImageChecksum(out) == ComputeImageChecksum(WithImageChecksum(out)));
    Check(WithImageChecksum(out) == out);
    return 0;
}
