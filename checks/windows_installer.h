// The Windows Installer engine check and the queries it is made of.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class MachineFacts;
class SystemPaths;

// True on Windows NT 5.1 (XP) and later; false on other platforms, earlier
// versions and when the version cannot be read.
bool IsWindowsXpOrLater(const MachineFacts& machine);

// The shell folder's path with "\" appended; false (path untouched) when the
// folder cannot be resolved.
bool GetSpecialFolderPath(const SystemPaths& paths, int csidl, std::wstring& path);

// The file version's major and minor numbers from the file's version
// resource; false (outputs untouched) when it has no valid one.
bool GetFileVersion(const MachineFacts& machine, std::wstring_view path, std::uint32_t& major, std::uint32_t& minor);

// True when a Windows Installer engine of version 2 or later is present: on
// XP and later always, before that when the system folder's MSI.DLL says so.
bool CheckWindowsInstaller(const MachineFacts& machine, const SystemPaths& paths);
