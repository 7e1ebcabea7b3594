#include "payload/held_folder_win32.h"

#include <windows.h>

#include <cstring>
#include <vector>

// Under Wine (8.0, measured) a host symbolic link is no reparse point: it
// opens as its target, even with FILE_OPEN_REPARSE_POINT, lists as a plain
// file or folder, and deleting through a handle opened on it deletes the
// target. So every entry is also checked through the handle that would act
// on it: an entry whose final path is not the folder's final path followed
// by its name resolves elsewhere (kRedirected). On Windows a link opens as
// itself and the check always passes.
//
// Wine keeps share modes between its own processes, so nothing under Wine
// can open a held folder to rename it; a host process can. Relative opens
// then still reach the moved folder, but final paths are the old path's,
// and Wine deletes nothing through such handles.

namespace {

constexpr NTSTATUS kSuccess = 0;
constexpr NTSTATUS kNoSuchFile = static_cast<NTSTATUS>(0xC000000F);
constexpr NTSTATUS kObjectNameInvalid = static_cast<NTSTATUS>(0xC0000033);
constexpr NTSTATUS kObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kObjectNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kFileIsADirectory = static_cast<NTSTATUS>(0xC00000BA);

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// No delete access: a handle with it keeps every other process from making
// the folder its current directory (that handle shares no deletion), the
// installer's start included. No delete sharing: nobody can open the folder
// to rename or delete it.
constexpr ACCESS_MASK kHeldAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ULONG kHeldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ULONG kNoLinkFollowed = FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT;

// FILE_ID_INFO (Windows 8 and later): the headers of this build target Vista.
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
struct FileIdInformation {
    ULONGLONG volumeSerialNumber;
    BYTE fileId[16];
};

template <typename Fn>
Fn Find(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

NTSTATUS NtOpen(const NtFileCalls& nt, HANDLE root, UNICODE_STRING& name, ACCESS_MASK access, ULONG share,
                ULONG disposition, ULONG options, PSECURITY_DESCRIPTOR security, UniqueFile& out)
{
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, root, security);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = nullptr;
    const NTSTATUS status = nt.createFile(&handle, access, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                                          disposition, options, nullptr, 0);
    if (status == kSuccess)
        out.Reset(handle);
    return status;
}

UNICODE_STRING Counted(const std::wstring& text)
{
    UNICODE_STRING counted;
    counted.Buffer = const_cast<wchar_t*>(text.c_str());
    counted.Length = counted.MaximumLength = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return counted;
}

// Empty when the platform cannot say.
std::wstring FinalPath(HANDLE handle)
{
    std::wstring buffer(1024, L'\0');
    const DWORD length =
        ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    buffer.resize(length < buffer.size() ? length : 0);
    return buffer;
}

bool EqualsNoCase(const wchar_t* a, const std::wstring& b)
{
    const int length = static_cast<int>(b.size());
    return ::CompareStringOrdinal(a, length, b.c_str(), length, TRUE) == CSTR_EQUAL;
}

// One name in a folder: an empty name opens the folder itself, and one with
// a separator walks through a sub-folder, whose link would be followed.
bool IsOneName(const std::wstring& name)
{
    return !name.empty() && name.find_first_of(L"\\/") == std::wstring::npos;
}

// Name surrogates are the reparse points that stand for another place;
// others (placeholders of cloud files) are ordinary entries.
std::uint32_t EntryAttributes(DWORD attributes, DWORD reparseTag)
{
    std::uint32_t mapped = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(reparseTag))
        mapped |= FileAttribute::kReparsePoint;
    return mapped;
}

bool SetDeletePending(HANDLE handle)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

}  // namespace

bool NtFileCalls::LookUp()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll)
        return false;
    createFile = Find<decltype(createFile)>(ntdll, "NtCreateFile");
    dosPathToNtPath = Find<decltype(dosPathToNtPath)>(ntdll, "RtlDosPathNameToNtPathName_U");
    statusToError = Find<decltype(statusToError)>(ntdll, "RtlNtStatusToDosError");
    return createFile && dosPathToNtPath && statusToError;
}

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle)
{
    // The volume's serial is cut to the 32 bits the older call gives, so
    // that both calls give the same identity on NTFS.
    FileIdInformation id;
    if (::GetFileInformationByHandleEx(handle, kFileIdInfo, &id, sizeof id)) {
        FileIdentity identity;
        identity.volume = static_cast<std::uint32_t>(id.volumeSerialNumber);
        std::memcpy(&identity.fileIdLow, id.fileId, 8);
        std::memcpy(&identity.fileIdHigh, id.fileId + 8, 8);
        return identity;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(handle, &information))
        return std::nullopt;
    FileIdentity identity;
    identity.volume = information.dwVolumeSerialNumber;
    identity.fileIdLow = (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return identity;
}

std::unique_ptr<HeldFolder> Win32HeldFolder::Create(const NtFileCalls& nt, HANDLE root, UNICODE_STRING& name,
                                                    PSECURITY_DESCRIPTOR security, CreateOutcome& outcome,
                                                    std::uint32_t& error)
{
    // One call creates the folder and opens it: no moment in which another
    // folder or a link could take its place. FILE_CREATE fails on any entry
    // of that name, a dangling link included (also under Wine).
    UniqueFile folder;
    const NTSTATUS status = NtOpen(nt, root, name, kHeldAccess, kHeldShare, FILE_CREATE,
                                   FILE_DIRECTORY_FILE | kNoLinkFollowed, security, folder);
    if (status != kSuccess) {
        outcome = status == kObjectNameCollision ? CreateOutcome::kExists : CreateOutcome::kFailed;
        error = nt.statusToError(status);
        return nullptr;
    }
    const std::optional<FileIdentity> identity = IdentityOfHandle(folder.Get());
    if (!identity) {
        outcome = CreateOutcome::kFailed;
        error = ::GetLastError();
        return nullptr;
    }
    outcome = CreateOutcome::kCreated;
    error = 0;
    return std::make_unique<Win32HeldFolder>(nt, std::move(folder), *identity);
}

Win32HeldFolder::Win32HeldFolder(const NtFileCalls& nt, UniqueFile folder, const FileIdentity& identity)
    : m_nt(nt), m_hFolder(std::move(folder)), m_identity(identity)
{
}

NTSTATUS Win32HeldFolder::OpenEntry(const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                                    ULONG options, UniqueFile& entry)
{
    if (!IsOneName(name))
        return kObjectNameInvalid;
    UNICODE_STRING counted = Counted(name);
    return NtOpen(m_nt, m_hFolder.Get(), counted, access, share, disposition, options, nullptr, entry);
}

NTSTATUS Win32HeldFolder::OpenSelf(ACCESS_MASK access, UniqueFile& self)
{
    // Relative to the handle with an empty name: the same folder, whatever
    // its path now.
    UNICODE_STRING empty = {};
    return NtOpen(m_nt, m_hFolder.Get(), empty, access, kShareAll, FILE_OPEN, FILE_DIRECTORY_FILE | kNoLinkFollowed,
                  nullptr, self);
}

bool Win32HeldFolder::IsRedirected(HANDLE entry, const std::wstring& name)
{
    if (!m_bFinalPathRead) {
        m_strFinalPath = FinalPath(m_hFolder.Get());
        if (!m_strFinalPath.empty() && m_strFinalPath.back() != L'\\')
            m_strFinalPath.push_back(L'\\');
        m_bFinalPathRead = true;
    }
    // A volume that cannot say where its files are leaves nothing to
    // compare; an entry that cannot say where it is, in a folder that can,
    // is not known to be here (under Wine: a host link whose target is gone
    // since, or anything once a host process has moved the folder).
    if (m_strFinalPath.empty())
        return false;
    const std::wstring final = FinalPath(entry);
    const std::size_t folder = m_strFinalPath.size();
    return final.size() != folder + name.size() || !EqualsNoCase(final.c_str(), m_strFinalPath) ||
           !EqualsNoCase(final.c_str() + folder, name);
}

FileIdentity Win32HeldFolder::Identity() const
{
    return m_identity;
}

std::optional<FileIdentity> Win32HeldFolder::IdentityOf(const std::wstring& name)
{
    UniqueFile entry;
    if (OpenEntry(name, FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll, FILE_OPEN, kNoLinkFollowed, entry) != kSuccess)
        return std::nullopt;
    return IdentityOfHandle(entry.Get());
}

std::optional<std::vector<FolderEntry>> Win32HeldFolder::List()
{
    // A fresh handle for each listing: Wine reads a folder's entries once
    // per handle and answers every later query on it, a restarted one too,
    // from that copy.
    UniqueFile listing;
    if (OpenSelf(FILE_LIST_DIRECTORY | SYNCHRONIZE, listing) != kSuccess)
        return std::nullopt;
    std::vector<std::uint64_t> buffer(2048);  // 16 KB, aligned for the records
    std::vector<FolderEntry> entries;
    for (;;) {
        if (!::GetFileInformationByHandleEx(listing.Get(), FileIdBothDirectoryInfo, buffer.data(),
                                            static_cast<DWORD>(buffer.size() * sizeof(buffer[0])))) {
            if (::GetLastError() == ERROR_NO_MORE_FILES)
                break;
            return std::nullopt;
        }
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
        for (;;) {
            const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes);
            std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                // The reparse tag is where the size of extended attributes
                // would be.
                entries.push_back(FolderEntry{std::move(name), EntryAttributes(record->FileAttributes, record->EaSize)});
            }
            if (record->NextEntryOffset == 0)
                break;
            bytes += record->NextEntryOffset;
        }
    }
    for (FolderEntry& entry : entries) {
        if (entry.attributes & FileAttribute::kReparsePoint)
            continue;
        UniqueFile opened;
        if (OpenEntry(entry.name, FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll, FILE_OPEN, kNoLinkFollowed,
                      opened) == kSuccess &&
            IsRedirected(opened.Get(), entry.name))
            entry.attributes |= FileAttribute::kRedirected;
    }
    return entries;
}

std::unique_ptr<HeldFolder> Win32HeldFolder::CreateFolder(const std::wstring& name, CreateOutcome& outcome)
{
    std::uint32_t error = 0;
    if (!IsOneName(name)) {
        outcome = CreateOutcome::kFailed;
        return nullptr;
    }
    UNICODE_STRING counted = Counted(name);
    return Create(m_nt, m_hFolder.Get(), counted, nullptr, outcome, error);
}

std::unique_ptr<HeldFolder> Win32HeldFolder::OpenFolder(const std::wstring& name, std::uint32_t& attributes)
{
    attributes = 0;
    // Opened as whatever it is, so that a file or a link says so.
    UniqueFile folder;
    if (OpenEntry(name, kHeldAccess, kHeldShare, FILE_OPEN, kNoLinkFollowed, folder) != kSuccess)
        return nullptr;
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!::GetFileInformationByHandleEx(folder.Get(), FileAttributeTagInfo, &tag, sizeof tag))
        return nullptr;
    attributes = EntryAttributes(tag.FileAttributes, tag.ReparseTag);
    if (!(attributes & FileAttribute::kReparsePoint) && IsRedirected(folder.Get(), name))
        attributes |= FileAttribute::kRedirected;
    if ((attributes & (FileAttribute::kDirectory | FileAttribute::kReparsePoint | FileAttribute::kRedirected)) !=
        FileAttribute::kDirectory)
        return nullptr;
    const std::optional<FileIdentity> identity = IdentityOfHandle(folder.Get());
    if (!identity)
        return nullptr;
    return std::make_unique<Win32HeldFolder>(m_nt, std::move(folder), *identity);
}

NTSTATUS Win32HeldFolder::OpenExistingPlainFile(const std::wstring& name, UniqueFile& file, bool& refused)
{
    // The entry itself, never what a link names; truncated through this
    // same handle, since a second open by name could meet another entry.
    const NTSTATUS status = OpenEntry(name, FILE_WRITE_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, FILE_OPEN,
                                      FILE_NON_DIRECTORY_FILE | kNoLinkFollowed, file);
    if (status != kSuccess) {
        // A folder, or a name that exists yet opens nothing (a dangling
        // host link under Wine).
        refused = status == kFileIsADirectory || status == kObjectNameNotFound || status == kNoSuchFile;
        return refused ? kObjectNameCollision : status;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(file.Get(), &information))
        return kObjectNameCollision;
    // A second name (a hard link) would carry the new bytes elsewhere.
    refused = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || information.nNumberOfLinks != 1 ||
              IsRedirected(file.Get(), name);
    if (refused)
        return kObjectNameCollision;
    FILE_END_OF_FILE_INFO end = {};
    if (!::SetFileInformationByHandle(file.Get(), FileEndOfFileInfo, &end, sizeof end))
        return kObjectNameCollision;
    return kSuccess;
}

FileWriteResult Win32HeldFolder::WriteFile(const std::wstring& name, std::span<const std::uint8_t> bytes)
{
    FileWriteResult result;
    UniqueFile file;
    NTSTATUS status = OpenEntry(name, GENERIC_WRITE | SYNCHRONIZE, 0, FILE_CREATE,
                                FILE_NON_DIRECTORY_FILE | kNoLinkFollowed, file);
    if (status == kObjectNameCollision)
        status = OpenExistingPlainFile(name, file, result.refused);
    if (status != kSuccess) {
        result.createError = m_nt.statusToError(status);
        return result;
    }
    result.created = true;
    // One call straight from the caller's memory (for the payload, the
    // module's mapped resource): no copy, no chunks.
    DWORD written = 0;
    result.writeSucceeded =
        ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE;
    result.bytesWritten = written;
    return result;
}

EntryRemoval Win32HeldFolder::RemoveEntry(const std::wstring& name)
{
    UniqueFile entry;
    if (OpenEntry(name, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll, FILE_OPEN, kNoLinkFollowed, entry) !=
        kSuccess)
        return EntryRemoval::kFailed;
    // Checked through the handle that deletes: under Wine it is the host
    // link's target that would go.
    if (IsRedirected(entry.Get(), name))
        return EntryRemoval::kRedirected;
    return SetDeletePending(entry.Get()) ? EntryRemoval::kRemoved : EntryRemoval::kFailed;
}

bool Win32HeldFolder::RemoveSelf()
{
    // Deleting needs a handle with delete access, which cannot be opened
    // while the holding handle (no delete sharing) is open. The hold gives
    // way to a handle of the same folder that shares deletion; from here on
    // the folder could be renamed, but nothing is reached through its path.
    UniqueFile sharing;
    if (OpenSelf(FILE_READ_ATTRIBUTES | SYNCHRONIZE, sharing) != kSuccess)
        return false;
    m_hFolder = std::move(sharing);
    UniqueFile deleting;
    if (OpenSelf(DELETE | SYNCHRONIZE, deleting) != kSuccess || !SetDeletePending(deleting.Get()))
        return false;
    m_hFolder = std::move(deleting);
    return true;
}
