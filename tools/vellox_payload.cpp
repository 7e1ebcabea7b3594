// Generates a bootstrapper's payload: the manifest (TOOLKIT resource 101) and
// the resource script that carries every payload file.
//
//   vellox-payload --manifest <out.bin> --script <out.rc>
//                  ( --folder <dir> --program <name>
//                  | [--entry id|name|source|size]... )
//                  [--named name|source]... [--manifest-text <file> | --no-manifest]
#include "payload_script.h"

#include <fstream>
#include <iostream>

namespace {

using namespace payload_tool;
namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes)
{
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw ToolError("cannot write " + path.string());
}

int Run(int argc, char** argv)
{
    fs::path manifestFile, scriptFile, folder;
    std::string program;
    PayloadLayout layout;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool last = i + 1 >= argc;
        if (option == "--no-manifest") {
            layout.noManifest = true;
            continue;
        }
        if (last)
            throw ToolError("missing value after " + option);
        const std::string value = argv[++i];
        if (option == "--manifest")
            manifestFile = value;
        else if (option == "--script")
            scriptFile = value;
        else if (option == "--folder")
            folder = value;
        else if (option == "--program")
            program = value;
        else if (option == "--entry")
            layout.entries.push_back(ParseEntry(value));
        else if (option == "--named")
            layout.named.push_back(ParseNamed(value));
        else if (option == "--manifest-text")
            layout.manifestText = value;
        else
            throw ToolError("unknown option " + option);
    }
    if (manifestFile.empty() || scriptFile.empty())
        throw ToolError("--manifest and --script are required");
    if (!folder.empty()) {
        if (!layout.entries.empty() || program.empty())
            throw ToolError("--folder needs --program and takes no --entry");
        const auto named = layout.named;
        const auto manifestText = layout.manifestText;
        const bool noManifest = layout.noManifest;
        layout = LayoutFromFolder(folder, program);
        layout.named = named;
        layout.manifestText = manifestText;
        layout.noManifest = noManifest;
    }
    if (layout.noManifest && layout.manifestText)
        throw ToolError("--no-manifest and --manifest-text exclude each other");
    WriteFile(manifestFile, BuildManifest(layout));
    WriteFile(scriptFile, BuildResourceScript(layout, manifestFile));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "vellox-payload: " << error.what() << "\n";
        return 1;
    }
}
