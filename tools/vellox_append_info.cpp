// Appends an information block to a finished bootstrapper:
//   vellox-append-info <bootstrapper.exe> <information file>
// The bootstrapper copies the information to "info.xml" beside its payload.
#include "information_block.h"
#include "payload_script.h"

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
        std::ofstream out(argv[1], std::ios::binary | std::ios::app);
        if (!out)
            throw ToolError(std::string("cannot open ") + argv[1]);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
        if (!out)
            throw ToolError(std::string("cannot write ") + argv[1]);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "vellox-append-info: " << error.what() << "\n";
        return 1;
    }
}
