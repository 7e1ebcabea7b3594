// vellox-pack as a whole: a stub with the bootstrapper's resources packed
// with a payload and a configuration, read back with the bootstrapper's own
// manifest parser; and every bad input refused with its message and exit
// code, leaving no output behind.
#include "packer.h"
#include "payload/manifest.h"
#include "pe_fixture.h"
#include "pe_resources.h"
#include "stub_resources.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace payload_tool;
using namespace pe_fixture;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The resources the bootstrapper carries besides payload and configuration.
ResourceTree StubTree()
{
    ResourceTree tree = ReadResources(BuildImage());
    std::map<std::uint16_t, std::u16string> messages;
    for (std::uint16_t id = 101; id <= 137; ++id) {
        if (id != 103)  // the required megabytes, part of the build configuration
            messages[id] = U16("message " + std::to_string(id));
    }
    SetStrings(tree, messages);
    tree[ResourceKey::Id(ResourceType::kDialog)][ResourceKey::Id(100)][0x409] = ResourceData{"dialog", 0};
    std::string group(6 + 14, '\0');
    Put16(group, 2, 1);
    Put16(group, 4, 1);
    Put16(group, 6 + 12, 1);
    tree[ResourceKey::Id(ResourceType::kGroupIcon)][ResourceKey::Id(128)][0x409] = ResourceData{group, 0};
    tree[ResourceKey::Id(ResourceType::kIcon)][ResourceKey::Id(1)][0x409] = ResourceData{"old icon", 0};
    return tree;
}

class PackTest : public ::testing::Test {
protected:
    PackTest() : m_root(fs::temp_directory_path() / ("vellox_pack_" + std::to_string(::getpid())))
    {
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        m_stub = Write("stub.exe", ReplaceResources(BuildImage(), StubTree(), 0));
        Write("pay/Setup.exe", "program bytes");
        Write("pay/setup.exe.config", "<configuration/>");
        Write("pay/bin/Lib.dll", std::string(3000, 'L'));
    }
    ~PackTest() override { fs::remove_all(m_root); }

    fs::path Write(const std::string& relative, const std::string& bytes)
    {
        const fs::path path = m_root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::vector<std::string> FolderArguments(const std::string& output = "out.exe") const
    {
        return {"--stub", m_stub.string(), "--output", (m_root / output).string(), "--payload-dir",
                (m_root / "pay").string(), "--program", "Setup.exe"};
    }

    int Pack(std::vector<std::string> arguments, const char* epoch = nullptr)
    {
        std::ostringstream error;
        const int code = RunPack(arguments, epoch, error);
        m_strError = error.str();
        return code;
    }

    fs::path m_root;
    fs::path m_stub;
    std::string m_strError;
};

TEST_F(PackTest, PacksPayloadAndConfigurationAndKeepsTheStubsResources)
{
    auto arguments = FolderArguments();
    for (const std::string option : {"--product-name", "Caf\xc3\xa9 Suite", "--required-mb", "800", "--net-levels",
                                     "0,0,-1,-,0,-,2", "--admin-check", "0", "--program-name", "Full",
                                     "--processor-mode", "Any"})
        arguments.push_back(option);
    ASSERT_EQ(Pack(arguments), 0) << m_strError;
    EXPECT_EQ(m_strError, "");
    const std::string image = ReadFile(m_root / "out.exe");
    ResourceTree tree = ReadResources(image);

    const ResourceNames& payload = tree.at(ResourceKey::Name(kPayloadType));
    const std::string manifest = payload.at(ResourceKey::Id(101)).at(0x409).bytes;
    EXPECT_EQ(manifest, "102*Setup.exe*13*103*bin\\Lib.dll*3000*104*setup.exe.config*16");
    CResourceFileMap map;
    ParseManifest(std::wstring(manifest.begin(), manifest.end()), map);
    ASSERT_EQ(map.size(), 3u);
    EXPECT_EQ(payload.at(ResourceKey::Id(102)).at(0x409).bytes, "program bytes");
    EXPECT_EQ(payload.at(ResourceKey::Id(103)).at(0x409).bytes, std::string(3000, 'L'));
    EXPECT_EQ(payload.at(ResourceKey::Id(104)).at(0x409).bytes, "<configuration/>");
    EXPECT_EQ(payload.size(), 4u);

    const auto strings = ReadStringTable(tree);
    const std::map<std::uint16_t, std::u16string> configured = {
        {0, U16("Any")},  {1, u"Caf\u00e9 Suite"}, {103, U16("800")}, {138, U16("0")}, {139, U16("0")},
        {140, U16("-1")}, {142, U16("0")},         {144, U16("2")},   {145, U16("0")}, {201, U16("Full")}};
    for (const auto& [id, text] : configured)
        EXPECT_EQ(strings.at(id), text) << id;
    EXPECT_FALSE(strings.contains(141));
    EXPECT_FALSE(strings.contains(143));
    EXPECT_EQ(strings.at(137), U16("message 137"));

    // Remove what the pack added: the rest is the stub's tree unchanged.
    tree.erase(ResourceKey::Name(kPayloadType));
    const ResourceTree stub = ReadResources(ReadFile(m_stub));
    auto stubStrings = ReadStringTable(stub);
    for (const auto& [id, text] : configured)
        stubStrings[id] = text;
    EXPECT_EQ(ReadStringTable(tree), stubStrings);
    tree.erase(ResourceKey::Id(ResourceType::kString));
    ResourceTree stubRest = stub;
    stubRest.erase(ResourceKey::Id(ResourceType::kString));
    EXPECT_EQ(tree, stubRest);
    EXPECT_EQ(Get32(image, kChecksumAt), ComputeImageChecksum(image));
}

TEST_F(PackTest, DefaultsAreTheSystemsOwnBuild)
{
    ASSERT_EQ(Pack(FolderArguments()), 0) << m_strError;
    const auto strings = ReadStringTable(ReadResources(ReadFile(m_root / "out.exe")));
    const std::map<std::uint16_t, std::u16string> expected = {
        {0, U16("x86")},  {1, U16("Corvane")}, {103, U16("500")}, {138, U16("0")}, {139, U16("0")},
        {140, U16("0")}, {141, U16("0")},     {142, U16("0")},   {145, U16("1")}, {201, U16("Mini")}};
    for (const auto& [id, text] : expected)
        EXPECT_EQ(strings.at(id), text) << id;
    EXPECT_FALSE(strings.contains(143));
    EXPECT_FALSE(strings.contains(144));
}

TEST_F(PackTest, ConfigFileGivesTheSameKeysAndOptionsWin)
{
    Write("conf/files/a.exe", "A");
    Write("conf/files/b.dat", "BB");
    const fs::path config = Write("conf/product.toml", R"(
stub = "../stub.exe"
output = "../from-config.exe"
entries = ["102|a.exe|files/a.exe|", "103|b.dat|files/b.dat|"]
product-name = "From File"
required-mb = 1200
net-levels = [0, 0, "-", "-", 1, "-", "-"]
program-name = "File"
)");
    ASSERT_EQ(Pack({"--config", config.string(), "--program-name", "Option"}), 0) << m_strError;
    const ResourceTree tree = ReadResources(ReadFile(m_root / "from-config.exe"));
    EXPECT_EQ(tree.at(ResourceKey::Name(kPayloadType)).at(ResourceKey::Id(101)).at(0x409).bytes,
              "102*a.exe*1*103*b.dat*2");
    const auto strings = ReadStringTable(tree);
    EXPECT_EQ(strings.at(1), U16("From File"));
    EXPECT_EQ(strings.at(103), U16("1200"));
    EXPECT_EQ(strings.at(142), U16("1"));
    EXPECT_FALSE(strings.contains(140));
    EXPECT_EQ(strings.at(201), U16("Option"));

    // --entry on the command line replaces the file's entries.
    ASSERT_EQ(Pack({"--config", config.string(), "--entry",
                    "102|only.exe|" + (m_root / "conf/files/a.exe").string() + "|"}),
              0)
        << m_strError;
    EXPECT_EQ(ReadResources(ReadFile(m_root / "from-config.exe"))
                  .at(ResourceKey::Name(kPayloadType))
                  .at(ResourceKey::Id(101))
                  .at(0x409)
                  .bytes,
              "102*only.exe*1");
}

TEST_F(PackTest, SameInputsGiveTheSameBytes)
{
    ASSERT_EQ(Pack(FolderArguments("one.exe")), 0) << m_strError;
    ASSERT_EQ(Pack(FolderArguments("two.exe")), 0) << m_strError;
    ASSERT_EQ(Pack(FolderArguments("epoch1.exe"), "1700000000"), 0) << m_strError;
    ASSERT_EQ(Pack(FolderArguments("epoch2.exe"), "1700000000"), 0) << m_strError;
    const std::string one = ReadFile(m_root / "one.exe");
    EXPECT_EQ(ReadFile(m_root / "two.exe"), one);
    const std::string epoch = ReadFile(m_root / "epoch1.exe");
    EXPECT_EQ(ReadFile(m_root / "epoch2.exe"), epoch);
    EXPECT_NE(epoch, one);
    EXPECT_EQ(Get32(epoch, kResourceRaw + 4), 1700000000u);
}

TEST_F(PackTest, IconAndInformationBlock)
{
    std::string ico(6 + 16, '\0');
    Put16(ico, 2, 1);
    Put16(ico, 4, 1);
    std::string bitmap(44, 'i');
    Put32(bitmap, 0, 40);
    Put32(ico, 6 + 8, static_cast<std::uint32_t>(bitmap.size()));
    Put32(ico, 6 + 12, static_cast<std::uint32_t>(ico.size()));
    ico += bitmap;
    auto arguments = FolderArguments();
    arguments.insert(arguments.end(), {"--icon", Write("product.ico", ico).string(), "--info-block",
                                       Write("info.xml", "<info/>").string()});
    ASSERT_EQ(Pack(arguments), 0) << m_strError;
    const std::string image = ReadFile(m_root / "out.exe");
    EXPECT_EQ(ReadResources(image).at(ResourceKey::Id(ResourceType::kIcon)).at(ResourceKey::Id(1)).at(0x409).bytes,
              bitmap);
    EXPECT_EQ(image.substr(image.size() - 17), std::string("MRDC<info/>") + std::string(6, '\0'));
    EXPECT_EQ(Get32(image, kChecksumAt), ComputeImageChecksum(image));
}

TEST_F(PackTest, PayloadsMadeToBeRefusedNeedTheirOwnOptions)
{
    // The bootstrapper's own tests need payloads it must refuse at run time;
    // each takes an option that says so, on the command line or in the file.
    const fs::path small = Write("small.bin", "x");
    const fs::path notes = Write("notes.txt", "notes");
    const fs::path hand = Write("hand.txt", "102*a.exe*1*103*missing.dll*4");
    const std::string unsafe = "103|..\\escaped.dll|" + small.string() + "|";
    const std::string program = "102|a.exe|" + small.string() + "|";
    Write("flags.toml", "entries = [\"102|a.exe|small.bin|\", \"103|..\\\\escaped.dll|small.bin|\"]\n"
                        "named = [\"NOTES|notes.txt\"]\nallow-unsafe-names = true\n");
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        std::optional<std::string> manifest;  // resource 101; none when left out
        bool named;
    } cases[] = {
        {"unsafe name allowed", {"--entry", program, "--entry", unsafe, "--allow-unsafe-names"},
         "102*a.exe*1*103*..\\escaped.dll*1", false},
        {"no manifest", {"--entry", program, "--no-manifest"}, std::nullopt, false},
        {"manifest text verbatim", {"--entry", program, "--manifest-text", hand.string()},
         "102*a.exe*1*103*missing.dll*4", false},
        {"string-named resource", {"--entry", program, "--named", "NOTES|" + notes.string()}, "102*a.exe*1", true},
        {"all from the file", {"--config", (m_root / "flags.toml").string()}, "102*a.exe*1*103*..\\escaped.dll*1",
         true},
    };
    for (const auto& item : cases) {
        std::vector<std::string> arguments = {"--stub", m_stub.string(), "--output", (m_root / "out.exe").string()};
        arguments.insert(arguments.end(), item.arguments.begin(), item.arguments.end());
        ASSERT_EQ(Pack(arguments), 0) << item.what << ": " << m_strError;
        const ResourceNames payload = ReadResources(ReadFile(m_root / "out.exe")).at(ResourceKey::Name(kPayloadType));
        const auto manifest = payload.find(ResourceKey::Id(101));
        if (item.manifest) {
            ASSERT_NE(manifest, payload.end()) << item.what;
            EXPECT_EQ(manifest->second.at(0x409).bytes, *item.manifest) << item.what;
        } else {
            EXPECT_EQ(manifest, payload.end()) << item.what;
        }
        EXPECT_EQ(payload.at(ResourceKey::Id(102)).at(0x409).bytes, "x") << item.what;
        EXPECT_EQ(payload.contains(ResourceKey::Name(u"NOTES")), item.named) << item.what;
        if (item.named) {
            EXPECT_EQ(payload.at(ResourceKey::Name(u"NOTES")).at(0x409).bytes, "notes") << item.what;
        }
        fs::remove(m_root / "out.exe");
    }

    // Without its option the same input is refused, and the options are no
    // way around the other checks.
    Write("yes.toml", "entries = [\"102|a.exe|small.bin|\"]\nno-manifest = \"yes\"\n");
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        int code;
        const char* message;
    } refused[] = {
        {"unsafe name", {"--entry", program, "--entry", unsafe}, 1, "would leave the temporary folder"},
        {"star despite the option", {"--entry", "102|a*.exe|" + small.string() + "|", "--allow-unsafe-names"}, 1,
         "printable ASCII without '*'"},
        {"both manifest options", {"--entry", program, "--no-manifest", "--manifest-text", hand.string()}, 2,
         "exclude each other"},
        {"flag not a boolean in the file", {"--config", (m_root / "yes.toml").string()}, 2,
         "no-manifest must be true or false"},
        {"two resources of one name",
         {"--entry", program, "--named", "NOTES|" + notes.string(), "--named", "NOTES|" + small.string()}, 1,
         "two resources named NOTES"},
        {"two resources of one id", {"--entry", program, "--entry", "102|b.exe|" + notes.string() + "|"}, 1,
         "two resources with id 102"},
    };
    for (const auto& item : refused) {
        std::vector<std::string> arguments = {"--stub", m_stub.string(), "--output", (m_root / "out.exe").string()};
        arguments.insert(arguments.end(), item.arguments.begin(), item.arguments.end());
        EXPECT_EQ(Pack(arguments), item.code) << item.what << ": " << m_strError;
        EXPECT_NE(m_strError.find(item.message), std::string::npos) << item.what << ": " << m_strError;
        EXPECT_FALSE(fs::exists(m_root / "out.exe")) << item.what;
    }
}

TEST_F(PackTest, BadInputIsRefusedWithoutOutput)
{
    Write("twins/Setup.exe", "p");
    Write("twins/setup.EXE", "p");
    Write("accent/Setup.exe", "p");
    Write("accent/caf\xc3\xa9.txt", "p");
    fs::create_directories(m_root / "empty");
    const fs::path huge = Write("huge/Setup.exe", "");
    fs::resize_file(huge, 2147483648ull);  // sparse
    const fs::path small = Write("small.bin", "x");
    Write("text.exe", "not an executable");
    Write("plain.exe", BuildImage());
    std::string signedStub = ReadFile(m_stub);
    Put32(signedStub, kDirectories + 4 * 8, static_cast<std::uint32_t>(signedStub.size()));
    Put32(signedStub, kDirectories + 4 * 8 + 4, 8);
    Write("signed.exe", signedStub + std::string(8, '\0'));
    ASSERT_EQ(Pack(FolderArguments("packed.exe")), 0) << m_strError;
    Write("unknown.toml", "stub = \"stub.exe\"\ncolour = \"blue\"\n");
    Write("broken.toml", "product-name = \n");
    Write("marker.xml", "xx MRDC xx");

    const std::string entry = "102|a.exe|" + small.string() + "|";
    const struct {
        const char* what;
        std::vector<std::string> change;  // replaces (option, value) pairs of the folder arguments, or adds them
        int code;
        const char* message;
    } cases[] = {
        {"stub not an executable", {"--stub", "text.exe"}, 1, "no MZ header"},
        {"stub without the bootstrapper's resources", {"--stub", "plain.exe"}, 1, "not a Vellox stub"},
        {"stub already packed", {"--stub", "packed.exe"}, 1, "already holds a payload"},
        {"stub signed", {"--stub", "signed.exe"}, 1, "the stub is signed"},
        {"stub missing", {"--stub", "none.exe"}, 1, "cannot read the stub"},
        {"name climbing out", {"--payload-dir", "", "--entry", "102|..\\a.exe|" + small.string() + "|"}, 1,
         "would leave the temporary folder"},
        {"absolute name", {"--payload-dir", "", "--entry", "102|C:\\a.exe|" + small.string() + "|"}, 1,
         "would leave the temporary folder"},
        {"name with a star", {"--payload-dir", "", "--entry", "102|a*.exe|" + small.string() + "|"}, 1,
         "printable ASCII without '*'"},
        {"names differing in case", {"--payload-dir", "twins"}, 1, "differ only in letter case"},
        {"entry names differing in case",
         {"--payload-dir", "", "--entry", entry, "--entry", "103|A.exe|" + small.string() + "|"}, 1,
         "differ only in letter case"},
        {"non-ASCII name", {"--payload-dir", "accent"}, 1, "printable ASCII"},
        {"file over 2147483647 bytes", {"--payload-dir", "huge"}, 1, "limited to 2147483647 bytes"},
        {"empty payload folder", {"--payload-dir", "empty"}, 1, "the payload is empty"},
        {"entries without a source", {"--payload-dir", "", "--program", "", "--entry", "102|a.exe||5"}, 1,
         "the payload is empty"},
        {"program not in the folder", {"--program", "Other.exe"}, 1, "is not in the payload"},
        {"program not among the entries", {"--payload-dir", "", "--entry", entry, "--program", "b.exe"}, 1,
         "is not in the payload"},
        {"unknown option", {"--colour", "blue"}, 2, "unknown option --colour"},
        {"unknown configuration key", {"--config", "unknown.toml"}, 2, "unknown configuration key 'colour'"},
        {"configuration file not TOML", {"--config", "broken.toml"}, 2, "broken.toml line 1"},
        {"processor mode", {"--processor-mode", "arm"}, 2, "processor-mode must be"},
        {"required megabytes negative", {"--required-mb", "-1"}, 2, "required-mb must be"},
        {"required megabytes too large", {"--required-mb", "2147483648"}, 2, "required-mb must be"},
        {"six levels", {"--net-levels", "0 0 0 0 0 -"}, 2, "net-levels must be"},
        {"level not a number", {"--net-levels", "0 0 0 0 0 - x"}, 2, "net-levels must be"},
        {"admin check", {"--admin-check", "yes"}, 2, "admin-check must be 0 or 1"},
        {"empty product name", {"--product-name", ""}, 2, "product-name must hold"},
        {"program name with a quote", {"--program-name", "a\"b"}, 2, "may not hold control characters or '\"'"},
        {"product name not UTF-8", {"--product-name", "\xff"}, 2, "not valid UTF-8"},
        {"icon not an icon", {"--icon", "small.bin"}, 1, "not an icon file"},
        {"information holding the marker", {"--info-block", "marker.xml"}, 1, "MRDC"},
        {"output is the stub", {"--output", "stub.exe"}, 1, "is also an input"},
        {"output is a payload file", {"--output", "pay/Setup.exe"}, 1, "is also an input"},
        {"output is the icon", {"--icon", "small.bin", "--output", "small.bin"}, 1, "is also an input"},
        {"output folder missing", {"--output", "no/such/folder/out.exe"}, 1, "cannot write"},
        {"missing value", {"--required-mb"}, 2, "missing value after --required-mb"},
    };
    for (const auto& item : cases) {
        std::vector<std::string> arguments = FolderArguments();
        for (std::size_t i = 0; i < item.change.size(); i += 2) {
            const std::string& option = item.change[i];
            if (i + 1 >= item.change.size()) {
                arguments.push_back(option);
                break;
            }
            std::string value = item.change[i + 1];
            const bool isPath = option == "--stub" || option == "--output" || option == "--payload-dir" ||
                                option == "--icon" || option == "--info-block" || option == "--config";
            if (isPath && !value.empty())
                value = (m_root / value).string();
            const auto found = std::find(arguments.begin(), arguments.end(), option);
            if (found != arguments.end() && option != "--entry") {
                if (value.empty())
                    arguments.erase(found, found + 2);
                else
                    *(found + 1) = value;
            } else {
                arguments.push_back(option);
                arguments.push_back(value);
            }
        }
        EXPECT_EQ(Pack(arguments), item.code) << item.what << ": " << m_strError;
        EXPECT_NE(m_strError.find(item.message), std::string::npos) << item.what << ": " << m_strError;
        EXPECT_EQ(m_strError.rfind("vellox-pack: ", 0), 0u) << item.what;
        EXPECT_FALSE(fs::exists(m_root / "out.exe")) << item.what;
        for (const auto& file : fs::recursive_directory_iterator(m_root))
            EXPECT_EQ(file.path().string().find(".pack-tmp"), std::string::npos) << item.what << ": " << file.path();
    }
    EXPECT_EQ(Pack(FolderArguments(), "soon"), 2);
    EXPECT_NE(m_strError.find("SOURCE_DATE_EPOCH"), std::string::npos);
    EXPECT_FALSE(fs::exists(m_root / "out.exe"));
}

}  // namespace
