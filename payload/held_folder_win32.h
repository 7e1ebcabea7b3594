#pragma once

#include "app/win32_handles.h"
#include "payload/file_system.h"

#include <winternl.h>

#include <memory>
#include <optional>
#include <string>

// The ntdll calls that create and open names relative to a folder handle.
// ntdll is in every process from its first instruction, so looking them up
// loads nothing; they are not imported because its import library also
// offers C runtime functions, which the link would then take from ntdll.
struct NtFileCalls {
    NTSTATUS(NTAPI* createFile)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG,
                                ULONG, ULONG, ULONG, PVOID, ULONG) = nullptr;
    BOOLEAN(NTAPI* dosPathToNtPath)(PCWSTR, PUNICODE_STRING, PCWSTR*, PVOID) = nullptr;
    ULONG(NTAPI* statusToError)(NTSTATUS) = nullptr;

    // False when ntdll lacks any of them.
    bool LookUp();
};

// A folder held open without delete access and without delete sharing: no
// other handle can be opened to rename or delete it while this one is open.
// The calls must outlive every held folder made with them.
class Win32HeldFolder final : public HeldFolder {
public:
    // Creates name (an NT path when root is null, else one name in the
    // folder root) as a new folder with the given security (null: inherited)
    // and holds it from the same call.
    static std::unique_ptr<HeldFolder> Create(const NtFileCalls& nt, HANDLE root, UNICODE_STRING& name,
                                              PSECURITY_DESCRIPTOR security, CreateOutcome& outcome,
                                              std::uint32_t& error);

    Win32HeldFolder(const NtFileCalls& nt, UniqueFile folder, const FileIdentity& identity);

    FileIdentity Identity() const override;
    std::optional<FileIdentity> IdentityOf(const std::wstring& name) override;
    std::optional<std::vector<FolderEntry>> List() override;
    std::unique_ptr<HeldFolder> CreateFolder(const std::wstring& name, CreateOutcome& outcome) override;
    std::unique_ptr<HeldFolder> OpenFolder(const std::wstring& name, std::uint32_t& attributes) override;
    FileWriteResult WriteFile(const std::wstring& name, std::span<const std::uint8_t> bytes) override;
    EntryRemoval RemoveEntry(const std::wstring& name) override;
    bool RemoveSelf() override;

private:
    NTSTATUS OpenEntry(const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition, ULONG options,
                       UniqueFile& entry);
    NTSTATUS OpenSelf(ACCESS_MASK access, UniqueFile& self);
    NTSTATUS OpenExistingPlainFile(const std::wstring& name, UniqueFile& file, bool& refused);
    bool IsRedirected(HANDLE entry, const std::wstring& name);

    const NtFileCalls& m_nt;
    UniqueFile m_hFolder;
    FileIdentity m_identity;  // read once: under Wine a handle's volume can change once a host process moves the folder
    bool m_bFinalPathRead = false;
    std::wstring m_strFinalPath;  // with a trailing separator; empty when the platform cannot say
};

// The same file or folder's identity through any handle to it.
std::optional<FileIdentity> IdentityOfHandle(HANDLE handle);
