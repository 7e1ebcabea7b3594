// Adds an information block to a finished bootstrapper:
//   vellox-append-info <bootstrapper.exe> <information file>
// The bootstrapper copies the information to "info.xml" beside its payload.
// A signed bootstrapper stays signed: the block becomes an unauthenticated
// attribute of its signature (sign first, then add the block).
#include "information_block.h"
#include "payload_script.h"
#include "signed_image.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

int main(int argc, char** argv)
{
    using namespace payload_tool;
    try {
        if (argc != 3)
            throw ToolError("usage: vellox-append-info <bootstrapper.exe> <information file>");
        std::ifstream in(argv[2], std::ios::binary);
        if (!in)
            throw ToolError(std::string("cannot read ") + argv[2]);
        const std::string payload((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string block = BuildInformationBlock(payload);
        std::ifstream original(argv[1], std::ios::binary);
        if (!original)
            throw ToolError(std::string("cannot read ") + argv[1]);
        const std::string image((std::istreambuf_iterator<char>(original)), std::istreambuf_iterator<char>());
        original.close();
        const std::string result = AddInformationBlock(image, block);
        // Written beside and renamed over, so that a failed write never leaves
        // a half-written bootstrapper.
        const std::filesystem::path target(argv[1]);
        const std::filesystem::path temporary = target.string() + ".info-tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(result.data(), static_cast<std::streamsize>(result.size()));
            if (!out.flush())
                throw ToolError("cannot write " + temporary.string());
        }
        std::filesystem::rename(temporary, target);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "vellox-append-info: " << error.what() << "\n";
        return 1;
    }
}
