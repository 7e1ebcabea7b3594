#include "app/system_library.h"
#include "fakes/fake_library_loader.h"

#include <gtest/gtest.h>

namespace {

TEST(LoadLibraryFromSystemFolder, TheRestrictedSearchWhereTheLoaderKnowsItAndTheFullPathOnlyWhereItDoesNot)
{
    const struct {
        const char* what;
        std::uintptr_t restrictedModule;
        std::uint32_t restrictedError;
        std::optional<std::wstring> systemFolder;
        std::uintptr_t fullPathModule;
        std::uintptr_t expected;
        std::vector<std::wstring> calls;
    } cases[] = {
        {"restricted search loads it", 0x7FF20000, 0, L"C:\\Windows\\system32", 0x7FF10000, 0x7FF20000,
         {L"restricted wintrust.dll"}},
        // Not in the system folder: any search elsewhere is what must not happen.
        {"not found by the restricted search", 0, 126, L"C:\\Windows\\system32", 0x7FF10000, 0,
         {L"restricted wintrust.dll"}},
        {"access denied", 0, 5, L"C:\\Windows\\system32", 0x7FF10000, 0, {L"restricted wintrust.dll"}},
        // Vista and 7 without the loader update refuse the flag itself.
        {"flag unknown: the full path", 0, kLoaderFlagUnknown, L"C:\\Windows\\system32", 0x7FF10000, 0x7FF10000,
         {L"restricted wintrust.dll", L"system folder", L"full path C:\\Windows\\system32\\wintrust.dll"}},
        {"flag unknown, the full path fails", 0, kLoaderFlagUnknown, L"C:\\Windows\\system32", 0, 0,
         {L"restricted wintrust.dll", L"system folder", L"full path C:\\Windows\\system32\\wintrust.dll"}},
        {"flag unknown, system folder unknown", 0, kLoaderFlagUnknown, std::nullopt, 0x7FF10000, 0,
         {L"restricted wintrust.dll", L"system folder"}},
        {"flag unknown, system folder empty", 0, kLoaderFlagUnknown, L"", 0x7FF10000, 0,
         {L"restricted wintrust.dll", L"system folder"}},
        {"flag unknown, system folder relative", 0, kLoaderFlagUnknown, L"system32", 0x7FF10000, 0,
         {L"restricted wintrust.dll", L"system folder"}},
    };
    for (const auto& c : cases) {
        FakeLibraryLoader loader;
        loader.restrictedModule = c.restrictedModule;
        loader.restrictedError = c.restrictedError;
        loader.systemFolder = c.systemFolder;
        loader.fullPathModule = c.fullPathModule;
        EXPECT_EQ(LoadLibraryFromSystemFolder(loader, L"wintrust.dll"), c.expected) << c.what;
        EXPECT_EQ(loader.calls, c.calls) << c.what;
    }
}

TEST(SystemLibraryPath, NamesTheFileInTheSystemFolderOrNothing)
{
    const struct {
        std::optional<std::wstring> folder;
        std::wstring name;
        std::optional<std::wstring> expected;
    } cases[] = {
        {L"C:\\Windows\\system32", L"crypt32.dll", L"C:\\Windows\\system32\\crypt32.dll"},
        {L"C:\\Windows\\system32\\", L"crypt32.dll", L"C:\\Windows\\system32\\crypt32.dll"},
        {L"C:\\", L"version.dll", L"C:\\version.dll"},
        {L"\\\\server\\windows\\system32", L"version.dll", L"\\\\server\\windows\\system32\\version.dll"},
        // A path that is not full would be searched for.
        {std::nullopt, L"crypt32.dll", std::nullopt},
        {L"", L"crypt32.dll", std::nullopt},
        {L"system32", L"crypt32.dll", std::nullopt},
        {L"C:", L"crypt32.dll", std::nullopt},
        {L"C:system32", L"crypt32.dll", std::nullopt},
        {L"\\Windows\\system32", L"crypt32.dll", std::nullopt},
        {L"\\\\\\system32", L"crypt32.dll", std::nullopt},
        // Only a plain file name, never one that leaves the folder.
        {L"C:\\Windows\\system32", L"", std::nullopt},
        {L"C:\\Windows\\system32", L"..", std::nullopt},
        {L"C:\\Windows\\system32", L"..\\crypt32.dll", std::nullopt},
        {L"C:\\Windows\\system32", L"sub/crypt32.dll", std::nullopt},
        {L"C:\\Windows\\system32", L"D:crypt32.dll", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemLibraryPath(c.folder, c.name), c.expected)
            << std::string(c.name.begin(), c.name.end()) << " in "
            << (c.folder ? std::string(c.folder->begin(), c.folder->end()) : std::string("(unknown)"));
    }
}

}  // namespace
