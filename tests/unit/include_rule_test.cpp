// The subsystems do not depend on the application object: each step takes
// the services and inputs it uses and gives back its facts, and only app/
// includes the application's header.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kSources = VELLOX_SOURCE_DIR;

// Files under folder (recursively) that include app/installer_app.h.
std::set<std::string> IncludersOfTheApp(const std::string& folder)
{
    static const std::regex include(R"(^\s*#\s*include\s*["<]app/installer_app\.h[">])");
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kSources / folder)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp" && extension != ".rc"))
            continue;
        std::ifstream file(entry.path());
        std::string line;
        while (std::getline(file, line)) {
            if (std::regex_search(line, include))
                found.insert(std::filesystem::relative(entry.path(), kSources).generic_string());
        }
    }
    return found;
}

TEST(IncludeRule, NoSubsystemIncludesTheApplicationObject)
{
    for (const char* folder : {"checks", "trust", "payload", "launch", "ui"}) {
        for (const auto& file : IncludersOfTheApp(folder))
            ADD_FAILURE() << file << " includes app/installer_app.h";
    }
}

TEST(IncludeRule, TheScanFindsTheIncludesThatExist)
{
    // The application's own sources include it: a scan that found nothing
    // there would pass the rule above without reading anything.
    const std::set<std::string> app = IncludersOfTheApp("app");
    EXPECT_TRUE(app.count("app/installer_app.cpp"));
    EXPECT_TRUE(app.count("app/worker.cpp"));
}

}  // namespace
