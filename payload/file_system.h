// The files and folders the payload steps create, read and delete.
// Paths are full paths; no call reports more than it says.
//
// The run is elevated and works under a base folder that other users and
// unelevated processes may write to, so everything inside the run's own
// folder is reached through folders the run created itself and holds open
// (HeldFolder): names are opened relative to a held folder, links are never
// followed, and nothing is reused that the run did not create.
#pragma once

#include <cstdint>
#include <memory>
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

// One entry of a folder listing ("." and ".." are never listed).
struct FolderEntry {
    std::wstring name;
    std::uint32_t attributes = 0;
};

// The same file or folder while it exists, whatever its path is now: the
// volume and the file's id on it.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t fileIdHigh = 0;
    std::uint64_t fileIdLow = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// What creating a new entry found.
enum class CreateOutcome {
    kCreated,
    kExists,  // something (a folder, a file, a link) has the name already; it was not opened or changed
    kFailed,
};

// What writing a file in a held folder did.
struct FileWriteResult {
    bool created = false;          // the file was created, or a plain file replaced
    bool refused = false;          // something other than a plain file of one name is in the way
    std::uint32_t createError = 0; // the platform's error when it was not created
    bool writeSucceeded = false;   // the one write call reported success
    std::uint32_t bytesWritten = 0;
};

// What removing one entry did.
enum class EntryRemoval {
    kRemoved,
    kRedirected,  // resolves elsewhere without being shown as a link: left alone
    kFailed,      // missing, in use, a folder that is not empty, ...: left as it is
};

// A folder the run created (or opened) and holds open until it is released:
// opened without following a reparse point and without delete sharing, so
// that, on Windows, nobody else can rename, replace or delete it, nor any
// folder above it. Every name is relative to it (one component, no
// separators) and is opened without following a link.
class HeldFolder {
public:
    virtual ~HeldFolder() = default;

    virtual FileIdentity Identity() const = 0;
    // What the name in this folder is now: a link itself rather than its
    // target where the platform shows links; nullopt when nothing opens.
    virtual std::optional<FileIdentity> IdentityOf(const std::wstring& name) = 0;
    // The entries, listed through the folder's own handle. kReparsePoint
    // marks links, kRedirected entries that resolve outside this folder.
    // nullopt when the listing fails.
    virtual std::optional<std::vector<FolderEntry>> List() = 0;
    // Creates the sub-folder as a new folder (its access inherited from this
    // one) and holds it. Null unless outcome is kCreated.
    virtual std::unique_ptr<HeldFolder> CreateFolder(const std::wstring& name, CreateOutcome& outcome) = 0;
    // Opens and holds the existing sub-folder itself. Null when the entry is
    // not a plain folder now; attributes then says what it is (0 when it is
    // missing or cannot be opened).
    virtual std::unique_ptr<HeldFolder> OpenFolder(const std::wstring& name, std::uint32_t& attributes) = 0;
    // Creates the file and writes the bytes with one write call straight
    // from the given memory. A plain file of that name with no other name
    // (no hard link elsewhere) is replaced; anything else in the way (a link,
    // a folder, an entry that resolves elsewhere) is left alone: refused.
    virtual FileWriteResult WriteFile(const std::wstring& name, std::span<const std::uint8_t> bytes) = 0;
    // Removes the entry itself through a handle that does not follow links:
    // a link goes, what it points to stays. An empty folder goes too.
    virtual EntryRemoval RemoveEntry(const std::wstring& name) = 0;
    // Removes this folder through its own handle when it is empty; the
    // folder goes as the object is released. False when it cannot.
    virtual bool RemoveSelf() = 0;
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
    // Creates the file new (never over an existing entry, a link not
    // followed) with delete-on-close and closes it again: true when a file
    // could be created there.
    virtual bool ProbeNewFile(const std::wstring& path) = 0;
    // Creates the path's last level as a new folder whose security is the
    // descriptor (in the platform's descriptor language), and holds it from
    // the same call on: there is no moment in which another folder could
    // take its place. Null unless outcome is kCreated; error is the
    // platform's error when it failed.
    virtual std::unique_ptr<HeldFolder> CreateNewFolder(const std::wstring& path, const std::wstring& securityDescriptor,
                                                        CreateOutcome& outcome, std::uint32_t& error) = 0;
    // What the path names now, a link itself rather than its target where
    // the platform shows links; nullopt when nothing opens there.
    virtual std::optional<FileIdentity> IdentityAt(const std::wstring& path) = 0;
    // The owner that the process's token gives new objects, as SID text
    // ("S-1-5-..."); empty when it cannot be read.
    virtual std::wstring TokenOwnerSid() = 0;
    // Reads count bytes starting distanceFromEnd bytes before the end of the
    // file, which is opened for reading with read sharing.
    virtual FileTail ReadTail(const std::wstring& path, std::uint32_t count, std::uint32_t distanceFromEnd) = 0;
    // Makes the path the process's current directory.
    virtual void SetCurrentFolder(const std::wstring& path) = 0;
};
