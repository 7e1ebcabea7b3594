#include "checks/machine_facts_win32.h"

#include "app/win32_handles.h"

#include <windows.h>

#include <stdlib.h>

#include <vector>

namespace {

// The version library is not a KnownDLL: it is loaded at run time from the
// system folder, so that a planted version.dll beside the executable never
// loads into this elevated process.
using GetFileVersionInfoSizeWFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetFileVersionInfoWFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using VerQueryValueWFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

template <typename Fn>
Fn LookUp(const UniqueModule& module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module.Get(), name)));
}

}  // namespace

std::optional<std::int32_t> Win32MachineFacts::AdministratorsMembership() const
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID allocated = nullptr;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                    0, 0, 0, &allocated))
        return std::nullopt;
    const UniqueSid administrators(allocated);
    BOOL isMember = FALSE;
    if (!::CheckTokenMembership(nullptr, administrators.Get(), &isMember))
        return std::nullopt;
    return static_cast<std::int32_t>(isMember);
}

std::optional<OsVersion> Win32MachineFacts::GetOsVersion() const
{
    OSVERSIONINFOEXW info = {};
    static_assert(sizeof(info) == 284);
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)))
        return std::nullopt;
    return OsVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
}

std::optional<FixedFileVersion> Win32MachineFacts::ReadFixedFileVersion(std::wstring_view path) const
{
    const UniqueModule library = LoadSystemLibrary(L"version.dll");
    if (!library)
        return std::nullopt;
    const auto getSize = LookUp<GetFileVersionInfoSizeWFn>(library, "GetFileVersionInfoSizeW");
    const auto getInfo = LookUp<GetFileVersionInfoWFn>(library, "GetFileVersionInfoW");
    const auto queryValue = LookUp<VerQueryValueWFn>(library, "VerQueryValueW");
    if (!getSize || !getInfo || !queryValue)
        return std::nullopt;

    const std::wstring file(path);
    DWORD ignored = 0;
    const DWORD size = getSize(file.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<std::uint8_t> block(size);
    if (!getInfo(file.c_str(), 0, size, block.data()))
        return std::nullopt;
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!queryValue(block.data(), L"\\", &fixed, &fixedSize) || !fixed || fixedSize < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    return FixedFileVersion{info->dwSignature, info->dwFileVersionMS};
}

std::optional<std::uint64_t> Win32MachineFacts::FreeBytesAvailable(std::wstring_view drive) const
{
    ULARGE_INTEGER available = {};
    ULARGE_INTEGER total = {};
    ULARGE_INTEGER totalFree = {};
    if (!::GetDiskFreeSpaceExW(std::wstring(drive).c_str(), &available, &total, &totalFree))
        return std::nullopt;
    return available.QuadPart;
}

std::optional<std::wstring> Win32MachineFacts::SplitDrive(std::wstring_view path) const
{
    wchar_t drive[3] = {};
    wchar_t directory[256] = {};
    wchar_t name[256] = {};
    wchar_t extension[256] = {};
    if (::_wsplitpath_s(std::wstring(path).c_str(), drive, std::size(drive), directory, std::size(directory), name,
                        std::size(name), extension, std::size(extension)) != 0)
        return std::nullopt;
    return std::wstring(drive);
}
