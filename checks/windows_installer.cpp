#include "checks/windows_installer.h"

#include "app/system_paths.h"
#include "checks/machine_facts.h"

namespace {
constexpr std::uint32_t kPlatformWin32Nt = 2;  // VER_PLATFORM_WIN32_NT
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kMinimumInstallerMajor = 2;
}  // namespace

bool IsWindowsXpOrLater(const MachineFacts& machine)
{
    const auto version = machine.GetOsVersion();
    return version && version->nPlatformId == kPlatformWin32Nt &&
           (version->nMajor > 5 || (version->nMajor == 5 && version->nMinor != 0));
}

bool GetSpecialFolderPath(const SystemPaths& paths, int csidl, std::wstring& path)
{
    const auto folder = paths.SpecialFolder(csidl);
    if (!folder)
        return false;
    path = *folder + L"\\";
    return true;
}

bool GetFileVersion(const MachineFacts& machine, std::wstring_view path, std::uint32_t& major, std::uint32_t& minor)
{
    const auto info = machine.ReadFixedFileVersion(path);
    if (!info || info->nSignature != kFixedFileInfoSignature)
        return false;
    major = info->nFileVersionMs >> 16;
    minor = info->nFileVersionMs & 0xFFFF;
    return true;
}

bool CheckWindowsInstaller(const MachineFacts& machine, const SystemPaths& paths)
{
    if (IsWindowsXpOrLater(machine))
        return true;
    std::wstring systemFolder;
    if (!GetSpecialFolderPath(paths, SystemPaths::kCsidlSystem, systemFolder))
        return false;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    return GetFileVersion(machine, systemFolder + L"MSI.DLL", major, minor) && major >= kMinimumInstallerMajor;
}
