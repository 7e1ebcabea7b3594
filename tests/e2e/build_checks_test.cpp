// What can be checked of the Windows executables without running them: the
// i686 product cannot run under this machine's 64-bit-only Wine, so its
// format, imports, manifest and string table are read from the file.
#include "wine_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <memory>
#include <set>

namespace e2e {
namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

struct Build {
    const char* name;
    fs::path dir;
    const char* toolPrefix;
    const char* format;
};

void PrintTo(const Build& build, std::ostream* out)
{
    *out << build.name;
}

class BuildChecks : public ::testing::TestWithParam<Build> {
protected:
    fs::path Exe() const { return GetParam().dir / "vellox.exe"; }
    std::string Tool(const char* tool) const { return std::string(GetParam().toolPrefix) + "-" + tool; }
    void SetUp() override { ASSERT_TRUE(fs::exists(Exe())) << Exe() << " is not built"; }
};

TEST_P(BuildChecks, FormatAndGuiSubsystem)
{
    EXPECT_NE(Capture(Tool("objdump") + " -f '" + Exe().string() + "'").find(GetParam().format), std::string::npos);
    EXPECT_NE(Capture(Tool("objdump") + " -p '" + Exe().string() + "'").find("(Windows GUI)"), std::string::npos);
}

TEST_P(BuildChecks, ImportsOnlyKnownSystemLibraries)
{
    // KnownDLLs always load from the system folder; comctl32 comes from the
    // side-by-side assembly the manifest names. Anything else could be
    // planted beside a downloaded setup and would load elevated.
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
                                           "shell32.dll",  "ole32.dll",  "comctl32.dll", "shlwapi.dll",
                                           "msvcrt.dll"};
    const std::string dump = Capture(Tool("objdump") + " -p '" + Exe().string() + "'");
    std::set<std::string> imported;
    for (const auto& line : Lines(dump)) {
        const auto at = line.find("DLL Name: ");
        if (at != std::string::npos)
            imported.insert(Lower(line.substr(at + 10)));
    }
    EXPECT_TRUE(imported.count("kernel32.dll")) << dump;
    for (const auto& name : imported)
        EXPECT_TRUE(allowed.count(name)) << "load-time import of " << name;
}

TEST_P(BuildChecks, ManifestAndStringTable)
{
    const std::string resources = Capture(Tool("windres") + " -J coff -O rc -i '" + Exe().string() + "'");
    for (const char* text : {
             "level=\"\"requireAdministrator\"\" uiAccess=\"\"false\"\"",
             "Microsoft.Windows.Common-Controls\"\" version=\"\"6.0.0.0\"\"",
             "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
             // This build's configuration.
             "  0, \"x86\"", "  1, \"Corvane\"", "  103, \"500\"", "  138, \"0\"", "  142, \"0\"", "  145, \"1\"",
             "  201, \"Mini\"",
             // Messages, as the decompiler escapes them.
             "  112, \"%s failed with exit code 0x%8x.\"",
             "  114, \"Command line '%s' incorrect.\\nValid switches include:- \\n\\textract [path]\\tlog "
             "[path]\\ttemp [path]\\n\\nExample\\n\\t log c:\\\\log.txt /IAgreeToTheEULA\"",
             "  137, \"Verification of %s failed. Do you wish continue?\"",
         }) {
        EXPECT_NE(resources.find(text), std::string::npos) << "missing: " << text;
    }
    // Entries 143 and 144 are absent in this build.
    EXPECT_EQ(resources.find("  143, "), std::string::npos);
    EXPECT_EQ(resources.find("  144, "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Windows, BuildChecks,
                         ::testing::Values(Build{"i686", Win32Dir(), "i686-w64-mingw32", "pei-i386"},
                                           Build{"x86_64", Win64Dir(), "x86_64-w64-mingw32", "pei-x86-64"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
