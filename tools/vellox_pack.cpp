// Makes a bootstrapper from the stub, a payload and a build configuration:
//   vellox-pack --stub vellox-stub.exe --output setup.exe
//               ( --payload-dir <dir> --program <name> | --entry id|name|source|size ... )
//               [--config <file.toml>] [--product-name text] [--processor-mode x86|x64|x32Only|Any]
//               [--required-mb n] [--net-levels "l1 ... l7"] [--admin-check 0|1]
//               [--program-name text] [--icon <file.ico>] [--info-block <file>]
// Exit code 0, 1 for bad input, 2 for a bad command line or configuration.
#include "packer.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return payload_tool::RunPack(arguments, std::getenv("SOURCE_DATE_EPOCH"), std::cerr);
}
