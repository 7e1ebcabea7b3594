#pragma once

#include "payload/file_system.h"
#include "payload/held_folder_win32.h"

// The real file system. Reports kReparsePoint for links (junctions, symbolic
// links, mount points) and kRedirected for any other entry that resolves
// outside its parent. Other reparse points (placeholders of cloud files) are
// ordinary entries. Every held folder it makes must be released before it.
class Win32FileSystem final : public FileSystem {
public:
    Win32FileSystem();

    void CreateOneFolder(const std::wstring& path) override;
    void CreateFolderTree(const std::wstring& path) override;
    std::optional<Guid> CreateGuid() override;
    bool ProbeNewFile(const std::wstring& path) override;
    std::unique_ptr<HeldFolder> CreateNewFolder(const std::wstring& path, const std::wstring& securityDescriptor,
                                                CreateOutcome& outcome, std::uint32_t& error) override;
    std::optional<FileIdentity> IdentityAt(const std::wstring& path) override;
    std::wstring TokenOwnerSid() override;
    FileTail ReadTail(const std::wstring& path, std::uint32_t count, std::uint32_t distanceFromEnd) override;
    void SetCurrentFolder(const std::wstring& path) override;

private:
    NtFileCalls m_nt;
    bool m_bNtCalls;
};
