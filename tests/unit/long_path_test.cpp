#include "app/long_path.h"

#include <gtest/gtest.h>

namespace {

// A name that brings a path of the given prefix to the length wanted.
std::wstring Padded(const std::wstring& prefix, std::size_t length, const std::wstring& suffix = L"\\setup.exe")
{
    std::wstring path = prefix;
    path.append(length - prefix.size() - suffix.size(), L'p');
    return path + suffix;
}

TEST(MakeExtendedLengthPath, LongFullPathsTakeTheExtendedFormAndEverythingElseStays)
{
    const std::wstring longDrive = Padded(L"C:\\Users\\me\\Downloads\\", 300);
    const std::wstring longUnc = Padded(L"\\\\server\\share\\setups\\", 300);
    const struct {
        const char* what;
        std::wstring path;
        std::wstring expected;
    } cases[] = {
        {"short drive path", L"C:\\Downloads\\setup.exe", L"C:\\Downloads\\setup.exe"},
        {"259 characters", Padded(L"C:\\d\\", 259), Padded(L"C:\\d\\", 259)},
        {"260 characters", Padded(L"C:\\d\\", 260), L"\\\\?\\" + Padded(L"C:\\d\\", 260)},
        {"long drive path", longDrive, L"\\\\?\\" + longDrive},
        {"lower-case drive", Padded(L"z:\\w\\", 270), L"\\\\?\\" + Padded(L"z:\\w\\", 270)},
        {"short UNC path", L"\\\\server\\share\\setup.exe", L"\\\\server\\share\\setup.exe"},
        {"long UNC path", longUnc, L"\\\\?\\UNC\\" + longUnc.substr(2)},
        {"already extended", L"\\\\?\\" + longDrive, L"\\\\?\\" + longDrive},
        {"already extended UNC", L"\\\\?\\UNC\\" + longUnc.substr(2), L"\\\\?\\UNC\\" + longUnc.substr(2)},
        {"NT form", L"\\??\\" + longDrive, L"\\??\\" + longDrive},
        {"device path", Padded(L"\\\\.\\pipe\\", 270, L""), Padded(L"\\\\.\\pipe\\", 270, L"")},
        // The extended form would take these literally and name another file.
        {"forward slashes", Padded(L"C:/Users/", 280), Padded(L"C:/Users/", 280)},
        {"a dot component", Padded(L"C:\\a\\.\\", 280), Padded(L"C:\\a\\.\\", 280)},
        {"a dot-dot component", Padded(L"C:\\a\\..\\", 280), Padded(L"C:\\a\\..\\", 280)},
        {"dots inside a name are plain", Padded(L"C:\\a..b\\", 280), L"\\\\?\\" + Padded(L"C:\\a..b\\", 280)},
        // Not full paths: there is nothing the extended form could name.
        {"relative", Padded(L"Downloads\\", 280), Padded(L"Downloads\\", 280)},
        {"drive-relative", Padded(L"C:Downloads\\", 280), Padded(L"C:Downloads\\", 280)},
        {"rooted without a drive", Padded(L"\\Downloads\\", 280), Padded(L"\\Downloads\\", 280)},
        {"UNC server without a share", Padded(L"\\\\", 280, L""), Padded(L"\\\\", 280, L"")},
        {"UNC with an empty share", Padded(L"\\\\server\\\\", 280), Padded(L"\\\\server\\\\", 280)},
        {"UNC with an empty server", Padded(L"\\\\\\share\\", 280), Padded(L"\\\\\\share\\", 280)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeExtendedLengthPath(c.path), c.expected) << c.what;
}

}  // namespace
