// The files and folders the payload steps create, read and delete.
// Paths are full paths; no call reports more than it says.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};
};

namespace FileAttribute {
inline constexpr std::uint32_t kDirectory = 0x10;      // FILE_ATTRIBUTE_DIRECTORY
inline constexpr std::uint32_t kReparsePoint = 0x400;  // FILE_ATTRIBUTE_REPARSE_POINT: a link the platform removes by itself
// The entry resolves somewhere else, yet the platform does not show it as a
// link and cannot remove it alone (a host symbolic link under Wine): deleting
// it would delete the target. No platform attribute uses this bit.
inline constexpr std::uint32_t kRedirected = 0x80000000u;
}  // namespace FileAttribute

namespace AccessMask {
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericExecute = 0x20000000u;
inline constexpr std::uint32_t kGenericAll = 0x10000000u;
}  // namespace AccessMask

// One entry of a folder listing, "." and ".." included.
struct FolderEntry {
    std::wstring name;
    std::uint32_t attributes = 0;
};

// What creating and writing a new file did.
struct FileWriteResult {
    bool created = false;          // the file was created (and truncated)
    std::uint32_t createError = 0; // the platform's error when it was not
    bool writeSucceeded = false;   // the one write call reported success
    std::uint32_t bytesWritten = 0;
};

// The last bytes of a file.
struct FileTail {
    bool opened = false;
    std::optional<std::uint64_t> size;  // nullopt when it could not be read
    std::vector<std::uint8_t> bytes;    // empty when the seek or read failed
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // One folder level (CreateDirectoryW); the result does not matter.
    virtual void CreateOneFolder(const std::wstring& path) = 0;
    // The folder with every missing parent; the result does not matter.
    virtual void CreateFolderTree(const std::wstring& path) = 0;
    // A new random GUID; nullopt when the platform cannot make one.
    virtual std::optional<Guid> CreateGuid() = 0;
    // Creates the file with delete-on-close and closes it again: true when a
    // file could be created there.
    virtual bool ProbeNewFile(const std::wstring& path) = 0;
    // Adds an inheritable entry for Everyone with the mask to the folder's
    // access list; failures are not reported.
    virtual void GrantEveryoneAccess(const std::wstring& path, std::uint32_t mask) = 0;
    // Creates (or truncates) the file, exclusively, and writes the bytes with
    // one write call straight from the given memory.
    virtual FileWriteResult WriteNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes) = 0;
    // Reads count bytes starting distanceFromEnd bytes before the end of the
    // file, which is opened for reading with read sharing.
    virtual FileTail ReadTail(const std::wstring& path, std::uint32_t count, std::uint32_t distanceFromEnd) = 0;
    // The entries matching the pattern (a folder path with "*.*" appended);
    // nullopt when the listing cannot be started.
    virtual std::optional<std::vector<FolderEntry>> ListFolder(const std::wstring& pattern) = 0;
    // The attributes of the path itself (a link is not followed).
    virtual std::optional<std::uint32_t> GetAttributes(const std::wstring& path) = 0;
    // Deletes a file (or a file link itself); the result does not matter.
    virtual void DeleteOneFile(const std::wstring& path) = 0;
    // Removes an empty folder, or a folder link itself; the result does not matter.
    virtual void RemoveEmptyFolder(const std::wstring& path) = 0;
    // Makes the path the process's current directory.
    virtual void SetCurrentFolder(const std::wstring& path) = 0;
};
