// The folders and paths the command line's defaults are made of.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class SystemPaths {
public:
    static constexpr int kCsidlAppData = 26;        // CSIDL_APPDATA
    static constexpr int kCsidlCommonAppData = 35;  // CSIDL_COMMON_APPDATA
    static constexpr int kCsidlSystem = 0x25;       // CSIDL_SYSTEM
    // Longest full path the runtime's resolution may give (its buffer holds
    // one more character for the terminator).
    static constexpr std::size_t kMaxFullPath = 260;

    virtual ~SystemPaths() = default;
    // GetTempPathW; nullopt when the call fails.
    virtual std::optional<std::wstring> TempFolder() const = 0;
    // SHGetFolderPathW for the CSIDL; nullopt when the call fails.
    virtual std::optional<std::wstring> SpecialFolder(int csidl) const = 0;
    // GetEnvironmentVariableW; empty when unset.
    virtual std::wstring EnvironmentValue(std::wstring_view name) const = 0;
    // _wfullpath against the current directory (an empty path gives the
    // current directory); nullopt when the result does not fit kMaxFullPath.
    virtual std::optional<std::wstring> FullPath(std::wstring_view path) const = 0;
};
