// The producing side: manifest and information block, read
// back by the bootstrapper's own parser and scanner.
#include "information_block.h"
#include "payload/embedded_information.h"
#include "payload/manifest.h"
#include "payload_script.h"

#include <gtest/gtest.h>

#include <fstream>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace payload_tool;

class PayloadToolsTest : public ::testing::Test {
protected:
    PayloadToolsTest() : m_root(fs::temp_directory_path() / ("vellox_tools_" + std::to_string(::getpid())))
    {
        fs::remove_all(m_root);
    }
    ~PayloadToolsTest() override { fs::remove_all(m_root); }

    fs::path Write(const std::string& relative, const std::string& bytes)
    {
        const fs::path path = m_root / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static CResourceFileMap ParseBack(const std::string& manifest)
    {
        CResourceFileMap map;
        ParseManifest(std::wstring(manifest.begin(), manifest.end()), map);
        return map;
    }

    static CResourceFile Entry(const CResourceFileMap& map, std::uint32_t id)
    {
        const CResourceFile* entry = FindResourceFile(map, id);
        return entry ? *entry : CResourceFile{};
    }

    fs::path m_root;
};

TEST_F(PayloadToolsTest, FolderGivesTheProgramTheLowestIdAndEveryFileItsSize)
{
    Write("pay/Setup.exe", "program");
    Write("pay/a.exe.config", "cfg");
    Write("pay/bin/Lib.dll", "library!");
    Write("pay/Zeta.exe", "other");
    const PayloadLayout layout = LayoutFromFolder(m_root / "pay", "Setup.exe");
    const std::string manifest = BuildManifest(layout);
    EXPECT_EQ(manifest, "102*Setup.exe*7*103*Zeta.exe*5*104*a.exe.config*3*105*bin\\Lib.dll*8");

    const CResourceFileMap map = ParseBack(manifest);
    ASSERT_EQ(map.size(), 4u);
    EXPECT_EQ(Entry(map, 102).m_strName, L"Setup.exe");
    EXPECT_EQ(Entry(map, 105).m_strName, L"bin\\Lib.dll");
    EXPECT_EQ(Entry(map, 105).m_nSize, 8);
    EXPECT_EQ(layout.entries[3].source, m_root / "pay" / "bin" / "Lib.dll");
}

TEST_F(PayloadToolsTest, FolderRefusesWhatTheBootstrapperCouldNotWriteFaithfully)
{
    Write("ok/setup.exe", "p");
    EXPECT_THROW(LayoutFromFolder(m_root / "ok", "missing.exe"), ToolError);
    Write("ok/readme.txt", "r");
    EXPECT_THROW(LayoutFromFolder(m_root / "ok", "readme.txt"), ToolError);  // not a program name
    Write("twins/setup.exe", "p");
    Write("twins/A.txt", "a");
    Write("twins/a.txt", "a");
    EXPECT_THROW(LayoutFromFolder(m_root / "twins", "setup.exe"), ToolError);  // same file once lower-cased
    Write("star/setup.exe", "p");
    Write("star/a*b.txt", "a");
    EXPECT_THROW(LayoutFromFolder(m_root / "star", "setup.exe"), ToolError);
    EXPECT_THROW(LayoutFromFolder(m_root / "nowhere", "setup.exe"), ToolError);
}

TEST_F(PayloadToolsTest, ExplicitEntriesMakeBrokenPayloads)
{
    const fs::path a = Write("a.bin", "12345");
    const fs::path b = Write("b.bin", "xy");
    PayloadLayout layout;
    layout.entries = {ParseEntry("104|a.exe|" + a.string() + "|"),       // true size
                    ParseEntry("105|b.dll|" + b.string() + "|99"),     // wrong size
                    ParseEntry("104|again.exe||7"),                    // duplicate id, triple only
                    ParseEntry("106||" + b.string()),                  // resource the manifest does not name
                    ParseEntry("999|ghost.dll||1")};                   // triple without resource
    EXPECT_EQ(BuildManifest(layout), "104*a.exe*5*105*b.dll*99*104*again.exe*7*999*ghost.dll*1");
    const CResourceFileMap map = ParseBack(BuildManifest(layout));
    EXPECT_EQ(Entry(map, 104).m_strName, L"again.exe");  // the later triple wins

    for (const char* bad : {"x|a|b", "0|a|b", "65536|a|b", "1|a", "1||", "1|a|b|c|d"})
        EXPECT_THROW(ParseEntry(bad), ToolError) << bad;
    for (const char* bad : {"1|x", "|x", "A B|x", "NAME"})
        EXPECT_THROW(ParseNamed(bad), ToolError) << bad;
}

TEST(InformationBlock, IsFoundByTheBootstrappersScan)
{
    for (const std::size_t size : {std::size_t{1}, std::size_t{100}, kMaxInformationBytes}) {
        const std::string payload(size, 'i');
        std::string file = std::string(5000, 'x') + BuildInformationBlock(payload);
        const std::vector<std::uint8_t> window(file.end() - 4117, file.end() - 1);
        const InformationScan scan = FindEmbeddedInformation(window);
        EXPECT_EQ(std::string(scan.payload.begin(), scan.payload.end()), payload) << size;
    }
    EXPECT_THROW(BuildInformationBlock(""), ToolError);
    EXPECT_THROW(BuildInformationBlock(std::string(kMaxInformationBytes + 1, 'i')), ToolError);
    // A second marker would make the scan take the wrong one.
    EXPECT_THROW(BuildInformationBlock("aMRDCb"), ToolError);
    EXPECT_THROW(BuildInformationBlock("xxMR", std::string("DC\0\0\0\0", 6)), ToolError);
    EXPECT_NO_THROW(BuildInformationBlock("xxMR", std::string("DD\0\0\0\0", 6)));
}

}  // namespace
