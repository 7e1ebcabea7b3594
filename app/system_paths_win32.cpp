#include "app/system_paths_win32.h"

#include <windows.h>
#include <shlobj.h>
#include <stdlib.h>

namespace {
constexpr DWORD kBufferChars = 1024;
}

std::optional<std::wstring> Win32SystemPaths::TempFolder() const
{
    wchar_t buffer[kBufferChars] = {};
    const DWORD length = ::GetTempPathW(kBufferChars, buffer);
    if (length == 0 || length >= kBufferChars)
        return std::nullopt;
    return std::wstring(buffer, length);
}

std::optional<std::wstring> Win32SystemPaths::SpecialFolder(int csidl) const
{
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return std::nullopt;
    return std::wstring(buffer);
}

std::wstring Win32SystemPaths::EnvironmentValue(std::wstring_view name) const
{
    wchar_t buffer[kBufferChars] = {};
    const DWORD length = ::GetEnvironmentVariableW(std::wstring(name).c_str(), buffer, kBufferChars);
    if (length == 0 || length >= kBufferChars)
        return {};
    return std::wstring(buffer, length);
}

std::optional<std::wstring> Win32SystemPaths::FullPath(std::wstring_view path) const
{
    wchar_t buffer[kMaxFullPath + 1] = {};
    // An empty relative path resolves to the current directory.
    const std::wstring relative = path.empty() ? std::wstring(L".") : std::wstring(path);
    if (!::_wfullpath(buffer, relative.c_str(), kMaxFullPath + 1))
        return std::nullopt;
    return std::wstring(buffer);
}
