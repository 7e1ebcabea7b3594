#pragma once

#include "payload/file_system.h"

// The real file system. Reports kReparsePoint for links (junctions, symbolic
// links, mount points) and kRedirected for any other entry that resolves
// outside its parent. Other reparse points (placeholders of cloud files) are
// ordinary entries.
class Win32FileSystem final : public FileSystem {
public:
    void CreateOneFolder(const std::wstring& path) override;
    void CreateFolderTree(const std::wstring& path) override;
    std::optional<Guid> CreateGuid() override;
    bool ProbeNewFile(const std::wstring& path) override;
    void GrantEveryoneAccess(const std::wstring& path, std::uint32_t mask) override;
    FileWriteResult WriteNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes) override;
    FileTail ReadTail(const std::wstring& path, std::uint32_t count, std::uint32_t distanceFromEnd) override;
    std::optional<std::vector<FolderEntry>> ListFolder(const std::wstring& pattern) override;
    std::optional<std::uint32_t> GetAttributes(const std::wstring& path) override;
    void DeleteOneFile(const std::wstring& path) override;
    void RemoveEmptyFolder(const std::wstring& path) override;
    void SetCurrentFolder(const std::wstring& path) override;
};
