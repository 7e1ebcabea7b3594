#include "payload_script.h"

#include "payload/payload_paths.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace payload_tool {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitBars(const std::string& text)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find('|', start);
        fields.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

std::uint32_t ParseId(const std::string& text)
{
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), ::isdigit))
        throw ToolError("resource id must be a number from 1 to 65535: '" + text + "'");
    const unsigned long id = std::stoul(text);
    if (id == 0 || id > 65535)
        throw ToolError("resource id must be a number from 1 to 65535: '" + text + "'");
    return static_cast<std::uint32_t>(id);
}

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::uint64_t SizeOf(const fs::path& path)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error)
        throw ToolError("cannot read the size of " + path.string() + ": " + error.message());
    return size;
}

}  // namespace

PayloadEntry ParseEntry(const std::string& text)
{
    const auto fields = SplitBars(text);
    if (fields.size() < 3 || fields.size() > 4)
        throw ToolError("an entry is id|name|source|size: '" + text + "'");
    PayloadEntry entry;
    entry.id = ParseId(fields[0]);
    if (!fields[1].empty())
        entry.manifestName = fields[1];
    if (!fields[2].empty())
        entry.source = fields[2];
    if (fields.size() == 4 && !fields[3].empty())
        entry.manifestSize = fields[3];
    if (!entry.manifestName && !entry.source)
        throw ToolError("an entry needs a name, a source or both: '" + text + "'");
    return entry;
}

NamedResource ParseNamed(const std::string& text)
{
    const auto fields = SplitBars(text);
    const auto isNameChar = [](unsigned char c) { return std::isalnum(c) || c == '_'; };
    if (fields.size() != 2 || fields[0].empty() || fields[1].empty() || std::isdigit(static_cast<unsigned char>(fields[0][0])) ||
        !std::all_of(fields[0].begin(), fields[0].end(), isNameChar))
        throw ToolError("a named resource is name|source with a name of letters, digits and '_' not starting with a digit: '" +
                        text + "'");
    return NamedResource{fields[0], fields[1]};
}

PayloadLayout LayoutFromFolder(const fs::path& folder, const std::string& program)
{
    if (!fs::is_directory(folder))
        throw ToolError("payload folder not found: " + folder.string());
    std::vector<std::string> names;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (!item.is_regular_file())
            continue;
        std::string name = fs::relative(item.path(), folder).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        for (const unsigned char c : name) {
            if (c >= 0x80 || c < 0x20 || c == '*')
                throw ToolError("payload file name must be printable ASCII without '*': " + name);
        }
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());

    std::set<std::string> lowered;
    for (const auto& name : names) {
        if (!lowered.insert(Lower(name)).second)
            throw ToolError("two payload files differ only in letter case (both are written lower-cased): " + name);
    }
    std::string wanted = program;
    std::replace(wanted.begin(), wanted.end(), '/', '\\');
    const auto found = std::find(names.begin(), names.end(), wanted);
    if (found == names.end())
        throw ToolError("the program " + program + " is not in the payload folder");
    const std::size_t exe = Lower(wanted).find(".exe");
    if (exe == std::string::npos || exe == 0)
        throw ToolError("the program's name must hold \".exe\" after its first character: " + program);
    names.erase(found);
    names.insert(names.begin(), wanted);

    PayloadLayout layout;
    std::uint32_t id = 102;
    for (const auto& name : names) {
        if (id > 65535)
            throw ToolError("too many payload files");
        PayloadEntry entry;
        entry.id = id++;
        entry.manifestName = name;
        std::string relative = name;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        entry.source = folder / relative;
        layout.entries.push_back(entry);
    }
    return layout;
}

void CheckManifestNames(const PayloadLayout& layout)
{
    std::set<std::string> lowered;
    for (const auto& entry : layout.entries) {
        if (!entry.manifestName)
            continue;
        const std::string& name = *entry.manifestName;
        for (const unsigned char c : name) {
            if (c >= 0x7F || c < 0x20 || c == '*')
                throw ToolError("payload file name must be printable ASCII without '*': " + name);
        }
        if (!layout.allowUnsafeNames && !IsSafePayloadName(std::wstring(name.begin(), name.end())))
            throw ToolError("payload file name would leave the temporary folder (absolute, drive, '.', '..' or empty "
                            "part): " + name);
        if (!lowered.insert(Lower(name)).second)
            throw ToolError("two payload files differ only in letter case (both are written lower-cased): " + name);
    }
}

std::string BuildManifest(const PayloadLayout& layout)
{
    std::string manifest;
    for (const auto& entry : layout.entries) {
        if (!entry.manifestName)
            continue;
        if (entry.manifestName->find('*') != std::string::npos)
            throw ToolError("a manifest name cannot hold '*': " + *entry.manifestName);
        std::string size;
        if (entry.manifestSize) {
            size = *entry.manifestSize;
        } else if (entry.source) {
            const std::uint64_t bytes = SizeOf(*entry.source);
            if (bytes > 2147483647u)
                throw ToolError("payload files are limited to 2147483647 bytes: " + entry.source->string());
            size = std::to_string(bytes);
        } else {
            throw ToolError("entry " + std::to_string(entry.id) + " has neither a source nor a size");
        }
        if (!manifest.empty())
            manifest += '*';
        manifest += std::to_string(entry.id) + "*" + *entry.manifestName + "*" + size;
    }
    return manifest;
}

}  // namespace payload_tool
