// Reading and rebuilding the resource section, and the stub's resources that
// vellox-pack changes: string table and icon.
#include "pe_fixture.h"
#include "pe_resources.h"
#include "payload_script.h"
#include "stub_resources.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace payload_tool;
using namespace pe_fixture;

TEST(PeResourcesTest, ReadsEveryLevelOfTheDirectory)
{
    for (const bool pe32Plus : {false, true}) {
        const std::string image = BuildImage(pe32Plus);
        EXPECT_EQ(ReadPeFacts(image).is64, pe32Plus);
        const ResourceTree tree = ReadResources(image);
        ASSERT_EQ(tree.size(), 2u);
        // The named type sorts first, as the directory stores it.
        EXPECT_EQ(tree.begin()->first, ResourceKey::Name(U16("TEST")));
        const ResourceData& notes = tree.at(ResourceKey::Name(U16("TEST"))).at(ResourceKey::Id(7)).at(0x409);
        EXPECT_EQ(notes.bytes, "notes");
        EXPECT_EQ(notes.codePage, 1252u);
        EXPECT_EQ(tree.at(ResourceKey::Id(24)).at(ResourceKey::Id(1)).at(0x409).bytes, "<manifest/>");
    }
}

ResourceTree LargerTree()
{
    ResourceTree tree = ReadResources(BuildImage());
    tree[ResourceKey::Name(U16("TOOLKIT"))][ResourceKey::Id(101)][0x409] = ResourceData{"102*a.exe*5000", 0};
    tree[ResourceKey::Name(U16("TOOLKIT"))][ResourceKey::Id(102)][0x409] = ResourceData{std::string(5000, 'x'), 0};
    tree[ResourceKey::Name(U16("TOOLKIT"))][ResourceKey::Name(U16("NOTES"))][0x409] = ResourceData{"n", 0};
    tree[ResourceKey::Id(6)][ResourceKey::Id(7)][0x407] = ResourceData{std::string(32, '\0'), 0};
    return tree;
}

TEST(PeResourcesTest, RebuiltSectionReadsBackAndMovesTheRelocations)
{
    const std::string image = BuildImage();
    const ResourceTree tree = LargerTree();
    const std::string out = ReplaceResources(image, tree, 0);
    EXPECT_EQ(ReadResources(out), tree);

    const std::size_t rsrc = SectionHeader(1);
    const std::size_t reloc = SectionHeader(2);
    const std::uint32_t size = Get32(out, rsrc + 8);
    EXPECT_GT(size, 5000u);
    EXPECT_EQ(Get32(out, rsrc + 12), kResourceRva);
    EXPECT_EQ(Get32(out, rsrc + 16), (size + 0x1FF) / 0x200 * 0x200);
    EXPECT_EQ(Get32(out, kDirectories + 2 * 8 + 4), size);
    const std::uint32_t relocRva = (kResourceRva + size + 0xFFF) / 0x1000 * 0x1000;
    EXPECT_EQ(Get32(out, reloc + 12), relocRva);
    EXPECT_EQ(Get32(out, kDirectories + 5 * 8), relocRva);
    EXPECT_EQ(Get32(out, kDirectories + 5 * 8 + 4), kRelocationBytes);
    const std::uint32_t relocRaw = Get32(out, reloc + 20);
    EXPECT_EQ(relocRaw, kResourceRaw + Get32(out, rsrc + 16));
    EXPECT_EQ(out.substr(relocRaw, 0x200), image.substr(kRelocationRaw, 0x200));
    EXPECT_EQ(out.size(), relocRaw + 0x200u);
    EXPECT_EQ(Get32(out, kSizeOfImageAt), relocRva + 0x1000);
    EXPECT_EQ(Get32(out, kInitializedDataAt), 0x400 - 0x200 + Get32(out, rsrc + 16));
    EXPECT_EQ(Get32(out, kChecksumAt), ComputeImageChecksum(out));
    EXPECT_NE(Get32(out, kChecksumAt), Get32(image, kChecksumAt));

    // Nothing else before the resource section changed.
    std::string before = image.substr(0, kResourceRaw);
    std::string after = out.substr(0, kResourceRaw);
    for (const std::size_t field : {kChecksumAt, kSizeOfImageAt, kInitializedDataAt, kDirectories + 2 * 8 + 4,
                                    kDirectories + 5 * 8, rsrc + 8, rsrc + 16, reloc + 12, reloc + 20}) {
        Put32(before, field, 0);
        Put32(after, field, 0);
    }
    EXPECT_EQ(after, before);
}

TEST(PeResourcesTest, DirectoryTimeStampIsTheOneGiven)
{
    const std::string image = BuildImage();
    const std::string zero = ReplaceResources(image, LargerTree(), 0);
    EXPECT_EQ(ReplaceResources(image, LargerTree(), 0), zero);
    const std::string stamped = ReplaceResources(image, LargerTree(), 1700000000);
    ASSERT_EQ(stamped.size(), zero.size());
    EXPECT_EQ(Get32(stamped, kResourceRaw + 4), 1700000000u);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < zero.size(); ++i)
        differing += zero[i] != stamped[i];
    // One stamp per directory (root, 3 types, 6 names) and the checksum.
    EXPECT_GE(differing, 10u);
    EXPECT_LE(differing, 10u * 4 + 4);
}

TEST(PeResourcesTest, ShrinkingTheSectionWorksToo)
{
    const std::string image = BuildImage();
    ResourceTree tree;
    tree[ResourceKey::Id(24)][ResourceKey::Id(1)][0x409] = ResourceData{"m", 0};
    const std::string out = ReplaceResources(image, tree, 0);
    EXPECT_EQ(ReadResources(out), tree);
    EXPECT_EQ(out.size(), image.size());
    EXPECT_EQ(Get32(out, SectionHeader(2) + 12), kRelocationRva);
}

TEST(PeResourcesTest, ChecksumFieldNeedNotBeAligned)
{
    // The PE header at an odd offset puts the checksum across word limits.
    const std::size_t pe = 0x41;
    const std::size_t checksumAt = pe + 24 + 64;
    const std::string image = BuildImage(false, pe);
    const std::string out = ReplaceResources(image, LargerTree(), 0);
    EXPECT_EQ(WithImageChecksum(out), out);
    EXPECT_EQ(ReplaceResources(out, LargerTree(), 0), out);
    // The sum of 16-bit words with the field's bytes zeroed, plus the length.
    std::string zeroed = out;
    Put32(zeroed, checksumAt, 0);
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < zeroed.size(); at += 2) {
        sum += static_cast<unsigned char>(zeroed[at]) | static_cast<unsigned char>(zeroed[at + 1]) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    EXPECT_EQ(Get32(out, checksumAt), sum + out.size());
}

// Every refusal keeps the input as it was: the functions take it by
// reference and throw before anything is written.
TEST(PeResourcesTest, RefusesImagesItCannotRebuild)
{
    const struct {
        const char* what;
        std::function<void(std::string&)> change;
        const char* message;
    } cases[] = {
        {"no MZ", [](std::string& i) { i[0] = 'X'; }, "no MZ header"},
        {"no PE", [](std::string& i) { i[kPe] = 'X'; }, "not a PE executable"},
        {"truncated headers", [](std::string& i) { i.resize(0x100); }, "truncated"},
        {"section beyond the end", [](std::string& i) { i.resize(0x700); }, "beyond its end"},
        {"signed", [](std::string& i) { Put32(i, kDirectories + 4 * 8, 0x800); Put32(i, kDirectories + 4 * 8 + 4, 8); },
         "signed"},
        {"data after the last section", [](std::string& i) { i += "MRDC"; }, "data after its last section"},
        {"no resource directory", [](std::string& i) { Put32(i, kDirectories + 2 * 8, 0); }, "no resource section"},
        {"another section after the resources", [](std::string& i) { Put32(i, kDirectories + 5 * 8, 0); },
         "other than the relocations"},
        {"a directory into the moving sections",
         [](std::string& i) { Put32(i, kDirectories + 6 * 8, kRelocationRva); Put32(i, kDirectories + 6 * 8 + 4, 4); },
         "would move"},
        {"bad alignment", [](std::string& i) { Put32(i, kOptional + 36, 0x300); }, "alignment"},
        {"entry count beyond the section", [](std::string& i) { Put16(i, kResourceRaw + 14, 0xFFFF); }, "malformed"},
        {"a loop back to the root", [](std::string& i) { Put32(i, kResourceRaw + 56 + 20, 0x80000000u); },
         "malformed"},
        {"data outside the section", [](std::string& i) { Put32(i, kResourceRaw + 144, 0x1000); },
         "outside the resource section"},
        {"data too long", [](std::string& i) { Put32(i, kResourceRaw + 148, 0x1000); }, "outside the resource section"},
        {"name beyond the section", [](std::string& i) { Put32(i, kResourceRaw + 16, 0x80000000u | 0x1FF); },
         "outside its section"},
        {"the same id twice", [](std::string& i) { Put32(i, kResourceRaw + 16, 24); }, "twice"},
    };
    for (const auto& item : cases) {
        std::string image = BuildImage();
        item.change(image);
        try {
            ReplaceResources(image, ReadResources(image), 0);
            ADD_FAILURE() << item.what << ": accepted";
        } catch (const ToolError& error) {
            EXPECT_NE(std::string(error.what()).find(item.message), std::string::npos)
                << item.what << ": " << error.what();
        }
    }
}

TEST(PeResourcesTest, RefusesAResourceSectionInsideTheHeaders)
{
    std::string image = BuildImage();
    const ResourceTree tree = ReadResources(image);
    Put32(image, SectionHeader(1) + 20, 0x100);  // raw data inside the section table
    try {
        ReplaceResources(image, tree, 0);
        ADD_FAILURE() << "accepted";
    } catch (const ToolError& error) {
        EXPECT_NE(std::string(error.what()).find("overlaps the executable's headers"), std::string::npos) << error.what();
    }
}

TEST(StubResourcesTest, SetStringsKeepsTheOtherEntriesOfEachBlock)
{
    ResourceTree tree;
    SetStrings(tree, {{101, U16("About")}, {137, U16("Verify")}});
    EXPECT_EQ(tree.at(ResourceKey::Id(6)).begin()->second.begin()->first, 0x409);
    SetStrings(tree, {{103, U16("500")}, {0, U16("x86")}, {201, u"Min\u00e9"}});
    const auto strings = ReadStringTable(tree);
    const std::map<std::uint16_t, std::u16string> expected = {
        {0, U16("x86")}, {101, U16("About")}, {103, U16("500")}, {137, U16("Verify")}, {201, u"Min\u00e9"}};
    EXPECT_EQ(strings, expected);
    // Blocks of 16: 0 in block 1, 101 and 103 in block 7, 137 in 9, 201 in 13.
    std::vector<std::uint16_t> blocks;
    for (const auto& item : tree.at(ResourceKey::Id(6)))
        blocks.push_back(item.first.GetId());
    EXPECT_EQ(blocks, (std::vector<std::uint16_t>{1, 7, 9, 13}));
    // 16 length words plus the texts.
    EXPECT_EQ(tree.at(ResourceKey::Id(6)).at(ResourceKey::Id(7)).at(0x409).bytes.size(), 32u + 2 * (5 + 3));
}

TEST(StubResourcesTest, SetStringsUsesTheLanguageOfTheStubsTable)
{
    ResourceTree tree;
    tree[ResourceKey::Id(6)][ResourceKey::Id(7)][0x407] = ResourceData{std::string(32, '\0'), 0};
    SetStrings(tree, {{201, U16("Mini")}});
    EXPECT_TRUE(tree.at(ResourceKey::Id(6)).at(ResourceKey::Id(13)).contains(0x407));
}

std::string IcoFile(const std::vector<std::string>& images)
{
    std::string ico(6 + 16 * images.size(), '\0');
    Put16(ico, 2, 1);
    Put16(ico, 4, static_cast<std::uint16_t>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::size_t at = 6 + 16 * i;
        ico[at] = static_cast<char>(16 << i);  // width
        ico[at + 1] = static_cast<char>(16 << i);
        Put16(ico, at + 4, 1);
        Put16(ico, at + 6, 32);
        Put32(ico, at + 8, static_cast<std::uint32_t>(images[i].size()));
        Put32(ico, at + 12, static_cast<std::uint32_t>(ico.size()));
        ico += images[i];
    }
    return ico;
}

std::string Bitmap(char fill)
{
    std::string bytes(60, fill);
    Put32(bytes, 0, 40);
    return bytes;
}

TEST(StubResourcesTest, ReplaceIconSwapsTheGroupsImages)
{
    ResourceTree tree;
    // The stub's icon: group 128 naming images 1 and 2; image 5 is not its.
    std::string group(6 + 14 * 2, '\0');
    Put16(group, 2, 1);
    Put16(group, 4, 2);
    Put16(group, 6 + 12, 1);
    Put16(group, 6 + 14 + 12, 2);
    tree[ResourceKey::Id(14)][ResourceKey::Id(128)][0x409] = ResourceData{group, 0};
    for (const std::uint16_t id : {1, 2, 5})
        tree[ResourceKey::Id(3)][ResourceKey::Id(id)][0x409] = ResourceData{Bitmap('o'), 0};

    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "rest";
    ReplaceIcon(tree, IcoFile({Bitmap('a'), Bitmap('b'), png}));
    const std::string& newGroup = tree.at(ResourceKey::Id(14)).at(ResourceKey::Id(128)).at(0x409).bytes;
    ASSERT_EQ(newGroup.size(), 6u + 14 * 3);
    const auto& icons = tree.at(ResourceKey::Id(3));
    std::vector<std::uint16_t> ids;
    for (const auto& item : icons)
        ids.push_back(item.first.GetId());
    EXPECT_EQ(ids, (std::vector<std::uint16_t>{1, 2, 3, 5}));
    EXPECT_EQ(icons.at(ResourceKey::Id(1)).at(0x409).bytes, Bitmap('a'));
    EXPECT_EQ(icons.at(ResourceKey::Id(3)).at(0x409).bytes, png);
    EXPECT_EQ(icons.at(ResourceKey::Id(5)).at(0x409).bytes, Bitmap('o'));
    EXPECT_EQ(static_cast<unsigned char>(newGroup[6 + 14]), 32u);  // second image's width
    EXPECT_EQ(Get32(newGroup, 6 + 14 * 2 + 8), png.size());
    EXPECT_EQ(newGroup[6 + 14 * 2 + 12], 3);
}

TEST(StubResourcesTest, ReplaceIconRefusesWhatIsNoIcon)
{
    ResourceTree tree;
    tree[ResourceKey::Id(14)][ResourceKey::Id(128)][0x409] = ResourceData{std::string(6, '\0'), 0};
    std::string truncated = IcoFile({Bitmap('a')});
    truncated.resize(truncated.size() - 1);
    std::string noImages = IcoFile({});
    std::string cursor = IcoFile({Bitmap('a')});
    Put16(cursor, 2, 2);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {{"a bitmap file", "BM" + std::string(60, '\0')}, {"empty", ""},
                 {"no images", noImages},                      {"a cursor", cursor},
                 {"truncated", truncated},                     {"image of text", IcoFile({std::string(60, 't')})}};
    for (const auto& item : cases) {
        ResourceTree copy = tree;
        EXPECT_THROW(ReplaceIcon(copy, item.bytes), ToolError) << item.what;
    }
}

TEST(StubResourcesTest, Utf8IsCheckedWhenConverted)
{
    EXPECT_EQ(Utf16FromUtf8("Caf\xc3\xa9 \xf0\x9f\x98\x80", "x"), u"Caf\u00e9 \U0001F600");
    for (const std::string bad : {"\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xff", "a\x80"})
        EXPECT_THROW(Utf16FromUtf8(bad, "x"), ToolError) << bad;
}

}  // namespace
