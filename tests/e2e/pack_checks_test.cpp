// Bootstrappers made by vellox-pack from the i686 stub, read back by the
// toolchain's own resource decompiler and object dumper: every resource of
// the stub, the payload and the configured string-table entries.
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>

namespace e2e {
namespace {

const fs::path kPackTool = VELLOX_PACK_TOOL;

std::string Resources(const fs::path& exe)
{
    return Capture("i686-w64-mingw32-windres -J coff -O rc -i " + Quote(exe.string()));
}

// The decompiled resources, one text per resource, with its type and
// language in front (the decompiler names a language only where it changes).
std::multiset<std::string> ResourceBlocks(const std::string& rc)
{
    std::multiset<std::string> blocks;
    std::string type;
    std::string language;
    std::string block;
    const auto flush = [&] {
        if (!block.empty())
            blocks.insert(type + "|" + language + "|" + block);
        block.clear();
    };
    for (const auto& line : Lines(rc)) {
        if (line.rfind("LANGUAGE ", 0) == 0) {
            language = line;
            continue;
        }
        if (line.rfind("/* Type: ", 0) == 0) {
            flush();
            type = line.substr(9);
        } else if (line.rfind("/* Name: ", 0) == 0 || line.rfind("   Name: ", 0) == 0) {
            if (line[0] == '/')
                flush();
        }
        block += line + "\n";
    }
    flush();
    return blocks;
}

class PackChecks : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(Stub())) << Stub() << " is not built";
        m_dir = WorkDir() / "pack_checks" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }

    static fs::path Stub() { return Win32Dir() / "vellox-stub.exe"; }
    static fs::path FakeInstaller() { return Win32Dir() / "tests" / "fixtures" / "fake_installer.exe"; }
    static fs::path DemoPayload() { return fs::path(VELLOX_SOURCE_DIR) / "tests" / "fixtures" / "demo_payload"; }

    int Pack(const std::string& arguments) const
    {
        const std::string command = Quote(kPackTool.string()) + " --stub " + Quote(Stub().string()) + " " + arguments +
                                    " >" + Quote((m_dir / "pack.txt").string()) + " 2>&1";
        return std::system(command.c_str());
    }

    fs::path m_dir;
};

TEST_F(PackChecks, PackedDemoPayloadDecompilesLikeTheBuiltProduct)
{
    // The product's demo payload, in the order its build gives it.
    const fs::path out = m_dir / "setup.exe";
    ASSERT_EQ(Pack("--output " + Quote(out.string()) + " --entry " +
                   Quote("102|Tarnwick.Wizard.exe|" + FakeInstaller().string() + "|") + " --entry " +
                   Quote("103|Tarnwick.Wizard.exe.config|" + (DemoPayload() / "Tarnwick.Wizard.exe.config").string() +
                         "|") +
                   " --entry " + Quote("104|ProjectItems.xml|" + (DemoPayload() / "ProjectItems.xml").string() + "|")),
              0)
        << ReadFile(m_dir / "pack.txt");
    const std::string packed = Resources(out);
    EXPECT_NE(packed.find("102 \"TOOLKIT\""), std::string::npos) << packed.substr(0, 2000);
    EXPECT_EQ(packed, Resources(Win32Dir() / "vellox.exe"));

    const std::string headers = Capture("i686-w64-mingw32-objdump -p " + Quote(out.string()));
    EXPECT_NE(headers.find("Resource Directory [.rsrc]"), std::string::npos) << headers;
    EXPECT_NE(headers.find("Base Relocation Directory [.reloc]"), std::string::npos) << headers;
    EXPECT_NE(headers.find("(Windows GUI)"), std::string::npos);
    // The relocations still cover every page the code refers to.
    EXPECT_EQ(Capture("i686-w64-mingw32-objdump -p " + Quote(out.string()) + " | grep -c 'Virtual Address:'"),
              Capture("i686-w64-mingw32-objdump -p " + Quote(Stub().string()) + " | grep -c 'Virtual Address:'"));
    EXPECT_EQ(Capture("i686-w64-mingw32-objdump -d " + Quote(out.string()) + " | tail -n +3"),
              Capture("i686-w64-mingw32-objdump -d " + Quote(Stub().string()) + " | tail -n +3"));
}

// A 16 x 16 icon of 32-bit pixels, all of one colour.
std::string SmallIcon()
{
    std::string image(40 + 16 * 16 * 4 + 16 * 4, '\0');
    const auto put32 = [](std::string& bytes, std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    };
    put32(image, 0, 40);
    put32(image, 4, 16);
    put32(image, 8, 32);  // both masks
    image[12] = 1;        // planes
    image[14] = 32;       // bits
    for (std::size_t at = 40; at < 40 + 16 * 16 * 4; at += 4)
        put32(image, at, 0xFF2080C0u);
    std::string ico(6 + 16, '\0');
    ico[2] = 1;
    ico[4] = 1;
    ico[6] = 16;
    ico[7] = 16;
    ico[10] = 1;
    ico[12] = 32;
    put32(ico, 14, static_cast<std::uint32_t>(image.size()));
    put32(ico, 18, static_cast<std::uint32_t>(ico.size()));
    return ico + image;
}

TEST_F(PackChecks, ConfiguredEntriesIconAndEveryStubResourceReadBack)
{
    const fs::path payload = m_dir / "payload";
    fs::create_directories(payload / "bin");
    fs::copy_file(FakeInstaller(), payload / "Tarnwick.Wizard.exe");
    WriteFile(payload / "bin" / "Lib.dll", std::string(5000, 'L'));
    WriteFile(m_dir / "product.ico", SmallIcon());
    const fs::path out = m_dir / "setup.exe";
    ASSERT_EQ(Pack("--output " + Quote(out.string()) + " --payload-dir " + Quote(payload.string()) +
                   " --program Tarnwick.Wizard.exe --product-name 'Tarn Suite' --required-mb 1200"
                   " --net-levels '0 0 0 0 1 2 -' --admin-check 0 --program-name Full --processor-mode Any"
                   " --icon " +
                   Quote((m_dir / "product.ico").string())),
              0)
        << ReadFile(m_dir / "pack.txt");
    const std::string packed = Resources(out);
    for (const char* text : {"  0, \"Any\"", "  1, \"Tarn Suite\"", "  103, \"1200\"", "  138, \"0\"", "  142, \"1\"",
                             "  143, \"2\"", "  145, \"0\"", "  201, \"Full\"",
                             "  137, \"Verification of %s failed. Do you wish continue?\"",
                             "101 \"TOOLKIT\"", "102 \"TOOLKIT\"", "103 \"TOOLKIT\""}) {
        EXPECT_NE(packed.find(text), std::string::npos) << "missing: " << text;
    }
    EXPECT_EQ(packed.find("  144, "), std::string::npos);
    EXPECT_EQ(packed.find("104 \"TOOLKIT\""), std::string::npos);
    // The manifest names both files with their sizes ("102*Tarnwick..."
    // begins with these words).
    EXPECT_NE(packed.find("0x2a323031L"), std::string::npos);

    // Every resource of the stub is there unchanged, but for the string table
    // (which gained the configuration) and the icon (replaced).
    const auto blocks = ResourceBlocks(packed);
    std::size_t kept = 0;
    for (const auto& block : ResourceBlocks(Resources(Stub()))) {
        if (block.rfind("stringtable", 0) == 0 || block.rfind("icon", 0) == 0)
            continue;
        if (block.rfind("group icon", 0) == 0) {
            EXPECT_FALSE(blocks.contains(block)) << "icon not replaced";
            continue;
        }
        EXPECT_TRUE(blocks.contains(block)) << block.substr(0, 300);
        ++kept;
    }
    EXPECT_GE(kept, 7u);  // dialogs 100, 102, 131, 146, bitmaps 130, 133, the application manifest
    // One icon image now, the one given.
    std::size_t icons = 0;
    for (const auto& block : blocks)
        icons += block.rfind("icon|", 0) == 0;
    EXPECT_EQ(icons, 1u);
    EXPECT_NE(packed.find("Has 1 elements"), std::string::npos);
    EXPECT_NE(packed.find("0xff2080c0L"), std::string::npos);
}

}  // namespace
}  // namespace e2e
