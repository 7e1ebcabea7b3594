#include "stub_resources.h"

#include "build_config.h"
#include "payload_script.h"

#include <array>
#include <vector>

namespace payload_tool {

namespace {

constexpr std::uint16_t kEnglishUs = 0x409;  // the resource compiler's default language
constexpr std::uint16_t kFirstMessage = 101;
constexpr std::uint16_t kLastMessage = 137;
constexpr std::uint16_t kMainDialog = 100;

std::uint16_t Get16(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t Get32(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(Get16(bytes, at)) | static_cast<std::uint32_t>(Get16(bytes, at + 2)) << 16;
}

void Put16(std::string& out, std::uint16_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

const ResourceNames* FindType(const ResourceTree& tree, const ResourceKey& type)
{
    const auto found = tree.find(type);
    return found == tree.end() ? nullptr : &found->second;
}

// The 16 entries of one string block; a block cut short leaves the rest empty.
std::array<std::u16string, 16> ParseStringBlock(const std::string& bytes)
{
    std::array<std::u16string, 16> entries;
    std::size_t at = 0;
    for (auto& entry : entries) {
        if (bytes.size() - at < 2)
            break;
        const std::size_t length = Get16(bytes, at);
        at += 2;
        if ((bytes.size() - at) / 2 < length)
            break;
        for (std::size_t i = 0; i < length; ++i)
            entry.push_back(static_cast<char16_t>(Get16(bytes, at + 2 * i)));
        at += 2 * length;
    }
    return entries;
}

std::string BuildStringBlock(const std::array<std::u16string, 16>& entries)
{
    std::string bytes;
    for (const auto& entry : entries) {
        Put16(bytes, static_cast<std::uint16_t>(entry.size()));
        for (const char16_t c : entry)
            Put16(bytes, static_cast<std::uint16_t>(c));
    }
    return bytes;
}

}  // namespace

std::u16string Utf16FromUtf8(const std::string& text, const std::string& what)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        if (length == 0 || text.size() - i < length)
            throw ToolError(what + " is not valid UTF-8");
        std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                throw ToolError(what + " is not valid UTF-8");
            code = code << 6 | (next & 0x3F);
        }
        static constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            throw ToolError(what + " is not valid UTF-8");
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

std::map<std::uint16_t, std::u16string> ReadStringTable(const ResourceTree& tree)
{
    std::map<std::uint16_t, std::u16string> strings;
    const ResourceNames* blocks = FindType(tree, ResourceKey::Id(ResourceType::kString));
    if (!blocks)
        return strings;
    for (const auto& [key, languages] : *blocks) {
        if (!key.IsId() || key.GetId() == 0)
            continue;
        const auto entries = ParseStringBlock(languages.begin()->second.bytes);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (!entries[i].empty())
                strings[static_cast<std::uint16_t>((key.GetId() - 1) * 16 + i)] = entries[i];
        }
    }
    return strings;
}

void SetStrings(ResourceTree& tree, const std::map<std::uint16_t, std::u16string>& strings)
{
    ResourceNames& blocks = tree[ResourceKey::Id(ResourceType::kString)];
    std::uint16_t language = kEnglishUs;
    std::uint32_t codePage = 0;
    if (!blocks.empty()) {
        language = blocks.begin()->second.begin()->first;
        codePage = blocks.begin()->second.begin()->second.codePage;
    }
    for (const auto& [id, text] : strings) {
        if (text.size() > 0xFFFF)
            throw ToolError("a string-table entry is too long");
        ResourceLanguages& languages = blocks[ResourceKey::Id(static_cast<std::uint16_t>(id / 16 + 1))];
        ResourceData& block = languages[language];
        if (block.bytes.empty())
            block.codePage = codePage;
        auto entries = ParseStringBlock(block.bytes);
        entries[id % 16] = text;
        block.bytes = BuildStringBlock(entries);
    }
}

void CheckStubResources(const ResourceTree& tree)
{
    if (FindType(tree, ResourceKey::Name(kPayloadType)))
        throw ToolError("the stub already holds a payload (TOOLKIT resources): give the unpacked stub");
    const auto strings = ReadStringTable(tree);
    const ResourceNames* dialogs = FindType(tree, ResourceKey::Id(ResourceType::kDialog));
    const ResourceNames* manifests = FindType(tree, ResourceKey::Id(ResourceType::kManifest));
    if (!strings.contains(kFirstMessage) || !strings.contains(kLastMessage) || !dialogs ||
        !dialogs->contains(ResourceKey::Id(kMainDialog)) || !manifests)
        throw ToolError("not a Vellox stub: its messages, dialogs or application manifest are missing");
    for (const std::uint16_t id : kBuildConfigIds) {
        if (strings.contains(id))
            throw ToolError("the stub already holds a build configuration (string-table entry " + std::to_string(id) +
                            "): give the unpacked stub");
    }
}

void ReplaceIcon(ResourceTree& tree, const std::string& ico)
{
    constexpr std::size_t kHeader = 6;
    constexpr std::size_t kFileEntry = 16;
    if (ico.size() < kHeader || Get16(ico, 0) != 0 || Get16(ico, 2) != 1 || Get16(ico, 4) == 0)
        throw ToolError("the icon is not an icon file (.ico)");
    const std::size_t count = Get16(ico, 4);
    if ((ico.size() - kHeader) / kFileEntry < count)
        throw ToolError("the icon file is truncated");
    struct Image {
        std::string header;  // the 12 bytes shared by the file and the group entry
        std::string bytes;
    };
    std::vector<Image> images;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = kHeader + i * kFileEntry;
        const std::uint32_t size = Get32(ico, at + 8);
        const std::uint32_t offset = Get32(ico, at + 12);
        if (size < 8 || offset > ico.size() || ico.size() - offset < size)
            throw ToolError("the icon file is truncated");
        std::string bytes = ico.substr(offset, size);
        // Each image is a device-independent bitmap or a PNG.
        if (Get32(bytes, 0) != 40 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
            throw ToolError("the icon file holds an image that is neither a bitmap nor a PNG");
        images.push_back(Image{ico.substr(at, 12), std::move(bytes)});
    }

    ResourceNames& groups = tree[ResourceKey::Id(ResourceType::kGroupIcon)];
    ResourceNames& icons = tree[ResourceKey::Id(ResourceType::kIcon)];
    if (groups.empty())
        throw ToolError("not a Vellox stub: it has no icon");
    ResourceLanguages& groupLanguages = groups.begin()->second;
    const std::uint16_t language = groupLanguages.begin()->first;
    ResourceData& group = groupLanguages.begin()->second;
    if (group.bytes.size() >= kHeader) {
        const std::size_t oldCount = Get16(group.bytes, 4);
        for (std::size_t i = 0; i < oldCount && kHeader + 14 * (i + 1) <= group.bytes.size(); ++i) {
            const auto found = icons.find(ResourceKey::Id(Get16(group.bytes, kHeader + 14 * i + 12)));
            if (found != icons.end()) {
                found->second.erase(language);
                if (found->second.empty())
                    icons.erase(found);
            }
        }
    }
    std::uint32_t codePage = group.codePage;
    std::string directory;
    Put16(directory, 0);
    Put16(directory, 1);
    Put16(directory, static_cast<std::uint16_t>(images.size()));
    std::uint16_t nextId = 1;
    for (auto& image : images) {
        while (icons.contains(ResourceKey::Id(nextId))) {
            if (nextId == 0xFFFF)
                throw ToolError("no free icon resource id");
            ++nextId;
        }
        directory += image.header;
        Put16(directory, nextId);
        icons[ResourceKey::Id(nextId)][language] = ResourceData{std::move(image.bytes), codePage};
    }
    group.bytes = std::move(directory);
}

}  // namespace payload_tool
