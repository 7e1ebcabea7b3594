#include "pe_resources.h"

#include "image_bytes.h"
#include "payload_script.h"

#include <algorithm>
#include <vector>

namespace payload_tool {

namespace {

constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kSecurityDirectory = 4;
constexpr std::uint32_t kRelocationDirectory = 5;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
// Resource data starts 8-byte aligned, as the linker places it.
constexpr std::size_t kDataAlignment = 8;

void Append32(std::string& out, std::uint32_t value)
{
    out.append(4, '\0');
    Write32(out, out.size() - 4, value);
}

void Append16(std::string& out, std::uint16_t value)
{
    out.append(2, '\0');
    Write16(out, out.size() - 2, value);
}

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

struct Section {
    std::size_t headerAt = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
};

struct PeHeaders {
    bool is64 = false;
    std::size_t optionalAt = 0;
    std::size_t directoriesAt = 0;
    std::uint32_t directoryCount = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::size_t headersEnd = 0;  // the end of the section table
    std::vector<Section> sections;

    std::size_t ChecksumAt() const { return optionalAt + 64; }
    std::size_t SizeOfImageAt() const { return optionalAt + 56; }
    std::size_t InitializedDataAt() const { return optionalAt + 8; }
    std::size_t DirectoryAt(std::uint32_t index) const { return directoriesAt + 8 * static_cast<std::size_t>(index); }
};

bool IsPowerOfTwo(std::uint32_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

PeHeaders ReadHeaders(const std::string& image)
{
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z')
        throw ToolError("not an executable (no MZ header)");
    const std::size_t pe = Read32(image, 0x3C);
    if (Read32(image, pe) != 0x00004550)  // "PE\0\0"
        throw ToolError("not a PE executable");
    const std::size_t coff = pe + 4;
    const std::uint16_t sectionCount = Read16(image, coff + 2);
    const std::uint16_t optionalSize = Read16(image, coff + 16);
    PeHeaders headers;
    headers.optionalAt = coff + 20;
    const std::uint16_t magic = Read16(image, headers.optionalAt);
    if (magic != 0x10B && magic != 0x20B)
        throw ToolError("unknown optional header");
    headers.is64 = magic == 0x20B;
    const std::size_t countAt = headers.optionalAt + (headers.is64 ? 108 : 92);
    headers.directoriesAt = countAt + 4;
    headers.directoryCount = Read32(image, countAt);
    if (headers.directoryCount <= kRelocationDirectory ||
        headers.directoriesAt + 8 * static_cast<std::uint64_t>(headers.directoryCount) > headers.optionalAt + optionalSize)
        throw ToolError("the executable's data directory is malformed");
    headers.sectionAlignment = Read32(image, headers.optionalAt + 32);
    headers.fileAlignment = Read32(image, headers.optionalAt + 36);
    if (!IsPowerOfTwo(headers.sectionAlignment) || !IsPowerOfTwo(headers.fileAlignment) ||
        headers.fileAlignment > headers.sectionAlignment)
        throw ToolError("the executable's alignment is malformed");
    Read32(image, headers.ChecksumAt());
    const std::size_t sectionsAt = headers.optionalAt + optionalSize;
    for (std::size_t i = 0; i < sectionCount; ++i) {
        Section section;
        section.headerAt = sectionsAt + i * kSectionHeaderSize;
        section.virtualSize = Read32(image, section.headerAt + 8);
        section.virtualAddress = Read32(image, section.headerAt + 12);
        section.rawSize = Read32(image, section.headerAt + 16);
        section.rawPointer = Read32(image, section.headerAt + 20);
        Read32(image, section.headerAt + 36);
        if (static_cast<std::uint64_t>(section.rawPointer) + section.rawSize > image.size())
            throw ToolError("a section of the executable lies beyond its end");
        headers.sections.push_back(section);
    }
    headers.headersEnd = sectionsAt + kSectionHeaderSize * sectionCount;
    return headers;
}

// The index of the section that holds the resource directory at its start.
std::size_t FindResourceSection(const std::string& image, const PeHeaders& headers)
{
    const std::uint32_t rva = Read32(image, headers.DirectoryAt(kResourceDirectory));
    for (std::size_t i = 0; i < headers.sections.size(); ++i) {
        if (rva != 0 && headers.sections[i].virtualAddress == rva)
            return i;
    }
    throw ToolError("the executable has no resource section");
}

class CResourceReader {
public:
    CResourceReader(const std::string& image, const Section& section)
        : m_image(image), m_section(section),
          m_nSize(std::min(section.rawSize, section.virtualSize == 0 ? section.rawSize : section.virtualSize)),
          m_nEntriesLeft(m_nSize / 8), m_nBytesLeft(m_nSize)
    {
    }

    ResourceTree ReadTree()
    {
        ResourceTree tree;
        for (const auto& [typeKey, typeOffset] : ReadDirectory(0, true)) {
            ResourceNames& names = tree[typeKey];
            const auto nameEntries = ReadDirectory(typeOffset, true);
            if (nameEntries.empty())
                throw ToolError("the resource directory holds an empty type");
            for (const auto& [nameKey, nameOffset] : nameEntries) {
                ResourceLanguages& languages = names[nameKey];
                const auto languageEntries = ReadDirectory(nameOffset, false);
                if (languageEntries.empty())
                    throw ToolError("the resource directory holds a resource without data");
                for (const auto& [languageKey, dataOffset] : languageEntries) {
                    if (!languageKey.IsId())
                        throw ToolError("a resource language is a name, not a number");
                    languages[languageKey.GetId()] = ReadData(dataOffset);
                }
            }
        }
        return tree;
    }

private:
    std::uint32_t At32(std::uint32_t offset) const
    {
        if (offset > m_nSize || m_nSize - offset < 4)
            throw ToolError("the resource directory points outside its section");
        return Read32(m_image, m_section.rawPointer + offset);
    }

    std::uint16_t At16(std::uint32_t offset) const
    {
        if (offset > m_nSize || m_nSize - offset < 2)
            throw ToolError("the resource directory points outside its section");
        return Read16(m_image, m_section.rawPointer + offset);
    }

    ResourceKey ReadKey(std::uint32_t name)
    {
        if ((name & kSubdirectoryBit) == 0) {
            if (name > 0xFFFF)
                throw ToolError("a resource id is out of range");
            return ResourceKey::Id(static_cast<std::uint16_t>(name));
        }
        const std::uint32_t offset = name & ~kSubdirectoryBit;
        const std::uint16_t length = At16(offset);
        std::u16string text;
        for (std::uint32_t i = 0; i < length; ++i)
            text.push_back(static_cast<char16_t>(At16(offset + 2 + 2 * i)));
        return ResourceKey::Name(std::move(text));
    }

    // The entries of one directory, each with the offset it points at.
    // Every entry may be visited once only, which keeps a crafted directory
    // that points back at itself or shares subdirectories from growing the
    // tree beyond the section's own size.
    std::vector<std::pair<ResourceKey, std::uint32_t>> ReadDirectory(std::uint32_t offset, bool wantSubdirectories)
    {
        const std::uint32_t count = static_cast<std::uint32_t>(At16(offset + 12)) + At16(offset + 14);
        if (count > m_nEntriesLeft)
            throw ToolError("the resource directory is malformed");
        m_nEntriesLeft -= count;
        std::vector<std::pair<ResourceKey, std::uint32_t>> entries;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t entryAt = offset + 16 + 8 * i;
            ResourceKey key = ReadKey(At32(entryAt));
            const std::uint32_t target = At32(entryAt + 4);
            if (((target & kSubdirectoryBit) != 0) != wantSubdirectories)
                throw ToolError("the resource directory is malformed");
            for (const auto& entry : entries) {
                if (entry.first == key)
                    throw ToolError("the resource directory names one resource twice");
            }
            entries.emplace_back(std::move(key), target & ~kSubdirectoryBit);
        }
        return entries;
    }

    ResourceData ReadData(std::uint32_t offset)
    {
        const std::uint32_t rva = At32(offset);
        const std::uint32_t size = At32(offset + 4);
        ResourceData data;
        data.codePage = At32(offset + 8);
        if (rva < m_section.virtualAddress || rva - m_section.virtualAddress > m_nSize ||
            m_nSize - (rva - m_section.virtualAddress) < size || size > m_nBytesLeft)
            throw ToolError("a resource's data lies outside the resource section");
        m_nBytesLeft -= size;
        data.bytes = m_image.substr(m_section.rawPointer + (rva - m_section.virtualAddress), size);
        return data;
    }

    const std::string& m_image;
    const Section& m_section;
    std::uint32_t m_nSize;
    std::uint32_t m_nEntriesLeft;
    std::uint32_t m_nBytesLeft;
};

void AppendDirectoryHeader(std::string& out, std::uint32_t timestamp, std::size_t named, std::size_t ids)
{
    Append32(out, 0);  // characteristics
    Append32(out, timestamp);
    Append32(out, 0);  // major and minor version
    Append16(out, static_cast<std::uint16_t>(named));
    Append16(out, static_cast<std::uint16_t>(ids));
}

template <typename Map>
std::pair<std::size_t, std::size_t> CountKeys(const Map& map)
{
    std::size_t named = 0;
    for (const auto& item : map)
        named += item.first.IsId() ? 0 : 1;
    return {named, map.size() - named};
}

// The resource section's bytes for tree at the given RVA: all directories
// first (breadth first), then the data entries, the name strings and the
// data itself.
std::string BuildResourceSection(const ResourceTree& tree, std::uint32_t sectionRva, std::uint32_t timestamp)
{
    constexpr std::uint64_t kLimit = 0x7FFFFFFF;
    // A directory counts its entries in 16 bits, and so does a name its
    // characters.
    const auto nameBytes = [](const ResourceKey& key) -> std::uint64_t {
        if (key.IsId())
            return 0;
        const std::size_t length = std::get<std::u16string>(key.value).size();
        if (length > 0xFFFF)
            throw ToolError("a resource name is too long");
        return 2 + 2 * static_cast<std::uint64_t>(length);
    };
    if (tree.size() > 0xFFFF)
        throw ToolError("too many resource types");
    std::uint64_t directoryBytes = 16 + 8 * tree.size();
    std::uint64_t dataEntries = 0;
    std::uint64_t stringBytes = 0;
    for (const auto& [typeKey, names] : tree) {
        if (names.empty() || names.size() > 0xFFFF)
            throw ToolError("a resource type without resources or with too many");
        directoryBytes += 16 + 8 * names.size();
        stringBytes += nameBytes(typeKey);
        for (const auto& [nameKey, languages] : names) {
            if (languages.empty() || languages.size() > 0xFFFF)
                throw ToolError("a resource without data or in too many languages");
            directoryBytes += 16 + 8 * languages.size();
            dataEntries += languages.size();
            stringBytes += nameBytes(nameKey);
        }
    }
    const std::uint64_t dataEntriesAt = directoryBytes;
    const std::uint64_t stringsAt = dataEntriesAt + 16 * dataEntries;
    std::uint64_t dataAt = AlignUp(stringsAt + stringBytes, kDataAlignment);
    std::uint64_t end = dataAt;
    for (const auto& [typeKey, names] : tree) {
        for (const auto& [nameKey, languages] : names) {
            for (const auto& [language, data] : languages)
                end = AlignUp(end, kDataAlignment) + data.bytes.size();
        }
    }
    if (end > kLimit || sectionRva + end > 0xFFFFFFFFu)
        throw ToolError("the resources would exceed 2 GB");

    std::string out;
    out.reserve(static_cast<std::size_t>(end));
    std::string strings;
    std::string entries;
    std::string data;
    const auto keyField = [&](const ResourceKey& key) -> std::uint32_t {
        if (key.IsId())
            return key.GetId();
        const auto& text = std::get<std::u16string>(key.value);
        const std::uint32_t at = static_cast<std::uint32_t>(stringsAt + strings.size());
        Append16(strings, static_cast<std::uint16_t>(text.size()));
        for (const char16_t c : text)
            Append16(strings, static_cast<std::uint16_t>(c));
        return at | kSubdirectoryBit;
    };

    // Directories are laid out level by level; next tracks where the
    // following directory of the next level begins.
    std::uint64_t next = 16 + 8 * tree.size();
    auto [namedTypes, idTypes] = CountKeys(tree);
    AppendDirectoryHeader(out, timestamp, namedTypes, idTypes);
    for (const auto& [typeKey, names] : tree) {
        Append32(out, keyField(typeKey));
        Append32(out, static_cast<std::uint32_t>(next) | kSubdirectoryBit);
        next += 16 + 8 * names.size();
    }
    for (const auto& [typeKey, names] : tree) {
        auto [named, ids] = CountKeys(names);
        AppendDirectoryHeader(out, timestamp, named, ids);
        for (const auto& [nameKey, languages] : names) {
            Append32(out, keyField(nameKey));
            Append32(out, static_cast<std::uint32_t>(next) | kSubdirectoryBit);
            next += 16 + 8 * languages.size();
        }
    }
    std::uint64_t dataEntryAt = dataEntriesAt;
    std::uint64_t dataOffset = dataAt;
    for (const auto& [typeKey, names] : tree) {
        for (const auto& [nameKey, languages] : names) {
            AppendDirectoryHeader(out, timestamp, 0, languages.size());
            for (const auto& [language, item] : languages) {
                Append32(out, language);
                Append32(out, static_cast<std::uint32_t>(dataEntryAt));
                dataEntryAt += 16;
                dataOffset = AlignUp(dataOffset, kDataAlignment);
                Append32(entries, static_cast<std::uint32_t>(sectionRva + dataOffset));
                Append32(entries, static_cast<std::uint32_t>(item.bytes.size()));
                Append32(entries, item.codePage);
                Append32(entries, 0);
                dataOffset += item.bytes.size();
            }
        }
    }
    out += entries;
    out += strings;
    for (const auto& [typeKey, names] : tree) {
        for (const auto& [nameKey, languages] : names) {
            for (const auto& [language, item] : languages) {
                out.resize(static_cast<std::size_t>(AlignUp(out.size(), kDataAlignment)), '\0');
                out += item.bytes;
            }
        }
    }
    return out;
}

}  // namespace

PeFacts ReadPeFacts(const std::string& image)
{
    const PeHeaders headers = ReadHeaders(image);
    PeFacts facts;
    facts.is64 = headers.is64;
    facts.subsystem = Read16(image, headers.optionalAt + 68);
    const std::size_t security = headers.DirectoryAt(kSecurityDirectory);
    facts.hasCertificateTable = Read32(image, security) != 0 || Read32(image, security + 4) != 0;
    return facts;
}

ResourceTree ReadResources(const std::string& image)
{
    const PeHeaders headers = ReadHeaders(image);
    const Section& section = headers.sections[FindResourceSection(image, headers)];
    return CResourceReader(image, section).ReadTree();
}

std::string ReplaceResources(const std::string& image, const ResourceTree& tree, std::uint32_t timestamp)
{
    const PeHeaders headers = ReadHeaders(image);
    const std::size_t index = FindResourceSection(image, headers);
    const Section& resources = headers.sections[index];
    // The new section is written from its file offset on: there must be
    // nothing of the headers there.
    if (resources.rawPointer < headers.headersEnd)
        throw ToolError("the resource section overlaps the executable's headers");
    if (Read32(image, headers.DirectoryAt(kSecurityDirectory)) != 0 ||
        Read32(image, headers.DirectoryAt(kSecurityDirectory) + 4) != 0)
        throw ToolError("the executable is signed; its resources cannot change without breaking the signature");

    // Only the relocation section may follow the resource section: its
    // contents do not depend on its own address, so it can move to make
    // room. Anything else after it is refused rather than broken.
    const std::uint32_t relocationRva = Read32(image, headers.DirectoryAt(kRelocationDirectory));
    const std::uint32_t relocationSize = Read32(image, headers.DirectoryAt(kRelocationDirectory) + 4);
    std::uint64_t fileEnd = static_cast<std::uint64_t>(resources.rawPointer) + resources.rawSize;
    for (std::size_t i = 0; i < headers.sections.size(); ++i) {
        const Section& section = headers.sections[i];
        if (i < index) {
            if (static_cast<std::uint64_t>(section.virtualAddress) + section.virtualSize > resources.virtualAddress ||
                (section.rawSize != 0 &&
                 static_cast<std::uint64_t>(section.rawPointer) + section.rawSize > resources.rawPointer))
                throw ToolError("a section before the resource section overlaps it");
            continue;
        }
        if (i == index)
            continue;
        if (relocationRva != section.virtualAddress ||
            relocationSize > std::max(section.virtualSize, section.rawSize) || section.rawPointer < fileEnd)
            throw ToolError("a section other than the relocations follows the resource section");
        fileEnd = static_cast<std::uint64_t>(section.rawPointer) + section.rawSize;
    }
    if (fileEnd != image.size())
        throw ToolError("the executable holds data after its last section");
    for (std::uint32_t directory = 0; directory < headers.directoryCount; ++directory) {
        if (directory == kResourceDirectory || directory == kSecurityDirectory || directory == kRelocationDirectory)
            continue;
        const std::uint32_t rva = Read32(image, headers.DirectoryAt(directory));
        if (rva >= resources.virtualAddress)
            throw ToolError("a data directory points into the sections that would move");
    }

    const std::string section = BuildResourceSection(tree, resources.virtualAddress, timestamp);
    const std::uint64_t rawSize = AlignUp(section.size(), headers.fileAlignment);

    std::string out = image.substr(0, resources.rawPointer);
    out += section;
    out.resize(static_cast<std::size_t>(resources.rawPointer + rawSize), '\0');
    Write32(out, resources.headerAt + 8, static_cast<std::uint32_t>(section.size()));
    Write32(out, resources.headerAt + 16, static_cast<std::uint32_t>(rawSize));
    Write32(out, headers.DirectoryAt(kResourceDirectory) + 4, static_cast<std::uint32_t>(section.size()));

    std::uint64_t virtualEnd = resources.virtualAddress + section.size();
    for (std::size_t i = index + 1; i < headers.sections.size(); ++i) {
        const Section& moved = headers.sections[i];
        const std::uint64_t address = AlignUp(virtualEnd, headers.sectionAlignment);
        if (address + std::max(moved.virtualSize, moved.rawSize) > 0xFFFFFFFFu || out.size() > 0xFFFFFFFFu)
            throw ToolError("the executable would exceed 4 GB");
        Write32(out, moved.headerAt + 12, static_cast<std::uint32_t>(address));
        Write32(out, moved.headerAt + 20, static_cast<std::uint32_t>(out.size()));
        Write32(out, headers.DirectoryAt(kRelocationDirectory), static_cast<std::uint32_t>(address));
        out.append(image, moved.rawPointer, moved.rawSize);
        virtualEnd = address + std::max(moved.virtualSize, moved.rawSize);
    }
    const std::uint64_t imageSize = AlignUp(virtualEnd, headers.sectionAlignment);
    if (imageSize > 0xFFFFFFFFu)
        throw ToolError("the executable would exceed 4 GB");
    Write32(out, headers.SizeOfImageAt(), static_cast<std::uint32_t>(imageSize));
    const std::uint32_t initialized = Read32(image, headers.InitializedDataAt());
    Write32(out, headers.InitializedDataAt(),
            static_cast<std::uint32_t>(initialized - resources.rawSize + static_cast<std::uint32_t>(rawSize)));
    return WithImageChecksum(std::move(out));
}

std::uint32_t ComputeImageChecksum(const std::string& image)
{
    return ImageChecksum(image, ReadHeaders(image).ChecksumAt());
}

std::string WithImageChecksum(std::string image)
{
    const std::uint32_t checksum = ComputeImageChecksum(image);
    Write32(image, ReadHeaders(image).ChecksumAt(), checksum);
    return image;
}

}  // namespace payload_tool
