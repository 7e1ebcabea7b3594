#include "trust/own_module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// GetModuleFileNameW for a module at path: copies what fits and returns its
// length; a cut path returns the buffer's size, terminated in its last
// character (Vista on) or not terminated at all (XP).
struct ModuleFileName {
    std::wstring path;
    bool terminatesCut = true;
    std::size_t failOnCall = 0;  // numbered from 1; 0: never fails
    std::vector<std::uint32_t> sizes;

    std::uint32_t operator()(wchar_t* buffer, std::uint32_t size)
    {
        sizes.push_back(size);
        if (sizes.size() == failOnCall)
            return 0;
        if (path.size() < size) {
            std::copy(path.begin(), path.end(), buffer);
            buffer[path.size()] = L'\0';
            return static_cast<std::uint32_t>(path.size());
        }
        std::copy(path.begin(), path.begin() + size, buffer);
        if (terminatesCut)
            buffer[size - 1] = L'\0';
        return size;
    }
};

std::wstring PathOfLength(std::size_t length)
{
    std::wstring path = L"C:\\";
    while (path.size() < length)
        path.push_back(static_cast<wchar_t>(L'a' + path.size() % 26));
    path.resize(length);
    return path;
}

const std::vector<std::uint32_t> kEverySize = {260, 520, 1040, 2080, 4160, 8320, 16640, 32767};

std::vector<std::uint32_t> FirstSizes(std::size_t count)
{
    return std::vector<std::uint32_t>(kEverySize.begin(), kEverySize.begin() + static_cast<std::ptrdiff_t>(count));
}

TEST(ReadWholePath, GrowsUntilThePathFitsAndReturnsItWhole)
{
    const struct {
        std::size_t length;
        std::vector<std::uint32_t> sizes;
    } cases[] = {
        {22, FirstSizes(1)},
        {259, FirstSizes(1)},  // the longest that fits MAX_PATH with its terminator
        {260, FirstSizes(2)},  // one more: cut at 260, whole at 520
        {519, FirstSizes(2)},
        {520, FirstSizes(3)},
        {1000, FirstSizes(3)},
        {32766, FirstSizes(8)},  // the longest the largest buffer holds with its terminator
    };
    for (const bool terminatesCut : {true, false}) {
        for (const auto& c : cases) {
            ModuleFileName read{PathOfLength(c.length), terminatesCut};
            const std::optional<std::wstring> path = ReadWholePath(std::ref(read));
            ASSERT_TRUE(path.has_value()) << c.length;
            EXPECT_EQ(*path, read.path) << c.length;
            EXPECT_EQ(read.sizes, c.sizes) << c.length << (terminatesCut ? " terminated" : " unterminated");
        }
    }
}

TEST(ReadWholePath, GivesNoPathWhenAReadFailsOrThePathIsStillCutAtTheLongestBuffer)
{
    const struct {
        const char* what;
        std::size_t length;
        std::size_t failOnCall;
        std::size_t calls;
    } cases[] = {
        {"the first read fails", 40, 1, 1},
        {"a read after growing fails", 300, 2, 2},
        {"still cut at 32,767", 32767, 0, 8},
        {"far longer", 40000, 0, 8},
    };
    for (const bool terminatesCut : {true, false}) {
        for (const auto& c : cases) {
            ModuleFileName read{PathOfLength(c.length), terminatesCut, c.failOnCall};
            EXPECT_EQ(ReadWholePath(std::ref(read)), std::nullopt) << c.what;
            EXPECT_EQ(read.sizes, FirstSizes(c.calls)) << c.what;
        }
    }
}

}  // namespace
