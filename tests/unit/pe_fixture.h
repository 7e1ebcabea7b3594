// Small PE images for the tests of vellox-pack: headers, a code section, a
// resource section written byte by byte, and a relocation section after it,
// the order the linker gives the bootstrapper.
#pragma once

#include "pe_resources.h"

#include <cstdint>
#include <string>

namespace pe_fixture {

inline void Put16(std::string& image, std::size_t at, std::uint16_t value)
{
    image[at] = static_cast<char>(value & 0xFF);
    image[at + 1] = static_cast<char>(value >> 8);
}

inline void Put32(std::string& image, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        image[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline std::uint32_t Get32(const std::string& image, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(image[at + static_cast<std::size_t>(i)]);
    return value;
}

inline constexpr std::size_t kPe = 0x40;
inline constexpr std::size_t kOptional = kPe + 24;
inline constexpr std::size_t kDirectories = kOptional + 96;
inline constexpr std::size_t kSections = kOptional + 224;
inline constexpr std::size_t kChecksumAt = kOptional + 64;
inline constexpr std::size_t kSizeOfImageAt = kOptional + 56;
inline constexpr std::size_t kInitializedDataAt = kOptional + 8;
inline constexpr std::uint32_t kResourceRva = 0x2000;
inline constexpr std::uint32_t kRelocationRva = 0x3000;
inline constexpr std::size_t kResourceRaw = 0x400;
inline constexpr std::size_t kRelocationRaw = 0x600;
inline constexpr std::size_t kRelocationBytes = 12;

inline std::size_t SectionHeader(int index)
{
    return kSections + 40 * static_cast<std::size_t>(index);
}

// The resource section: type "TEST" with resource 7, and type 24 (the
// application manifest) with resource 1, both in language 0x409.
inline std::string ResourceSectionBytes()
{
    std::string rsrc(0x200, '\0');
    // root: one named and one id entry
    Put16(rsrc, 12, 1);
    Put16(rsrc, 14, 1);
    Put32(rsrc, 16, 0x80000000u | 0xC0);  // name "TEST" at 0xC0
    Put32(rsrc, 20, 0x80000000u | 32);
    Put32(rsrc, 24, 24);
    Put32(rsrc, 28, 0x80000000u | 56);
    // type "TEST": resource 7; type 24: resource 1
    Put16(rsrc, 32 + 14, 1);
    Put32(rsrc, 32 + 16, 7);
    Put32(rsrc, 32 + 20, 0x80000000u | 80);
    Put16(rsrc, 56 + 14, 1);
    Put32(rsrc, 56 + 16, 1);
    Put32(rsrc, 56 + 20, 0x80000000u | 104);
    // their languages
    Put16(rsrc, 80 + 14, 1);
    Put32(rsrc, 80 + 16, 0x409);
    Put32(rsrc, 80 + 20, 128);
    Put16(rsrc, 104 + 14, 1);
    Put32(rsrc, 104 + 16, 0x409);
    Put32(rsrc, 104 + 20, 144);
    // data entries
    Put32(rsrc, 128, kResourceRva + 0x100);
    Put32(rsrc, 132, 5);
    Put32(rsrc, 136, 1252);
    Put32(rsrc, 144, kResourceRva + 0x108);
    Put32(rsrc, 148, 11);
    // "TEST"
    Put16(rsrc, 0xC0, 4);
    for (int i = 0; i < 4; ++i)
        Put16(rsrc, 0xC2 + 2 * static_cast<std::size_t>(i), static_cast<std::uint16_t>("TEST"[i]));
    rsrc.replace(0x100, 5, "notes");
    rsrc.replace(0x108, 11, "<manifest/>");
    return rsrc;
}

// PE32 (or PE32+), GUI subsystem: .text, .rsrc, .reloc; 0x800 bytes. The
// PE header at pe (kPe for the offsets above).
inline std::string BuildImage(bool pe32Plus = false, std::size_t pe = kPe)
{
    const std::size_t optional = pe + 24;
    std::string image(0x800, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, static_cast<std::uint32_t>(pe));
    image.replace(pe, 4, std::string("PE\0\0", 4));
    Put16(image, pe + 4, pe32Plus ? 0x8664 : 0x14C);
    Put16(image, pe + 6, 3);
    const std::size_t optionalSize = pe32Plus ? 240 : 224;
    Put16(image, pe + 20, static_cast<std::uint16_t>(optionalSize));
    Put16(image, optional, pe32Plus ? 0x20B : 0x10B);
    Put32(image, optional + 8, 0x400);
    Put32(image, optional + 32, 0x1000);
    Put32(image, optional + 36, 0x200);
    Put32(image, optional + 56, 0x4000);
    Put32(image, optional + 60, 0x200);
    Put16(image, optional + 68, 2);
    const std::size_t directories = optional + (pe32Plus ? 112 : 96);
    Put32(image, directories - 4, 16);
    Put32(image, directories + 2 * 8, kResourceRva);
    Put32(image, directories + 2 * 8 + 4, 0x200);
    Put32(image, directories + 5 * 8, kRelocationRva);
    Put32(image, directories + 5 * 8 + 4, kRelocationBytes);
    const std::size_t sections = optional + optionalSize;
    const struct {
        const char* name;
        std::uint32_t rva;
        std::uint32_t raw;
        std::uint32_t virtualSize;
    } table[] = {{".text", 0x1000, 0x200, 0x180}, {".rsrc", kResourceRva, kResourceRaw, 0x200},
                 {".reloc", kRelocationRva, kRelocationRaw, kRelocationBytes}};
    for (int i = 0; i < 3; ++i) {
        const std::size_t at = sections + 40 * static_cast<std::size_t>(i);
        image.replace(at, std::string(table[i].name).size(), table[i].name);
        Put32(image, at + 8, table[i].virtualSize);
        Put32(image, at + 12, table[i].rva);
        Put32(image, at + 16, 0x200);
        Put32(image, at + 20, table[i].raw);
    }
    for (std::size_t i = 0; i < 0x180; ++i)
        image[0x200 + i] = static_cast<char>(i * 7 + 3);
    image.replace(kResourceRaw, 0x200, ResourceSectionBytes());
    for (std::size_t i = 0; i < kRelocationBytes; ++i)
        image[kRelocationRaw + i] = static_cast<char>(0xA0 + i);
    return payload_tool::WithImageChecksum(image);
}

inline std::u16string U16(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace pe_fixture
