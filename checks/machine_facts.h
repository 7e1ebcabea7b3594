// The facts about the machine that the administrator, Windows Installer and
// disk space checks decide on. Every query can fail; a failure is nullopt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What GetVersionExW reports.
struct OsVersion {
    std::uint32_t nPlatformId = 0;
    std::uint32_t nMajor = 0;
    std::uint32_t nMinor = 0;
};

// The two fields of a file's fixed version information the checks read.
struct FixedFileVersion {
    std::uint32_t nSignature = 0;
    std::uint32_t nFileVersionMs = 0;  // major in the high 16 bits, minor in the low
};

class MachineFacts {
public:
    virtual ~MachineFacts() = default;
    // The membership flag CheckTokenMembership gives for the caller's own
    // token and the built-in Administrators group; nullopt when the group's
    // identifier cannot be built or the call fails.
    virtual std::optional<std::int32_t> AdministratorsMembership() const = 0;
    // GetVersionExW with the extended structure; nullopt when it fails.
    virtual std::optional<OsVersion> GetOsVersion() const = 0;
    // The fixed file information of the file's version resource; nullopt when
    // the file has none or it cannot be read.
    virtual std::optional<FixedFileVersion> ReadFixedFileVersion(std::wstring_view path) const = 0;
    // GetDiskFreeSpaceExW's bytes available to the caller for the drive text
    // as given; nullopt when the call fails.
    virtual std::optional<std::uint64_t> FreeBytesAvailable(std::wstring_view drive) const = 0;
    // The drive part of the path by _wsplitpath_s with buffers of 3 characters
    // for the drive and 256 for the directory, name and extension; nullopt
    // when the splitter reports an error.
    virtual std::optional<std::wstring> SplitDrive(std::wstring_view path) const = 0;
};
