#include "payload/file_system_win32.h"

#include "app/win32_handles.h"

#include <windows.h>

#include <aclapi.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>

namespace {

// Name surrogates are the reparse points that stand for another place.
std::uint32_t EntryAttributes(const WIN32_FIND_DATAW& data)
{
    std::uint32_t attributes = data.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(data.dwReserved0))
        attributes |= FileAttribute::kReparsePoint;
    return attributes;
}

std::optional<std::wstring> FinalPath(const std::wstring& path)
{
    const UniqueFile handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle)
        return std::nullopt;
    std::wstring buffer(1024, L'\0');
    const DWORD length = ::GetFinalPathNameByHandleW(handle.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                     FILE_NAME_NORMALIZED);
    if (length == 0 || length >= buffer.size())
        return std::nullopt;
    buffer.resize(length);
    return buffer;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
}

// An entry that resolves somewhere other than inside its parent is reached
// through a link, whatever its attributes say: host symbolic links under Wine
// look like plain files and folders, and deleting one deletes its target.
bool IsRedirected(const std::optional<std::wstring>& parentFinal, const std::wstring& path, const std::wstring& name)
{
    if (!parentFinal)
        return false;
    const std::optional<std::wstring> final = FinalPath(path);
    if (!final)
        return false;
    std::wstring expected = *parentFinal;
    if (!expected.empty() && expected.back() != L'\\')
        expected.push_back(L'\\');
    return !EqualsNoCase(*final, expected + name);
}

}  // namespace

void Win32FileSystem::CreateOneFolder(const std::wstring& path)
{
    ::CreateDirectoryW(path.c_str(), nullptr);
}

void Win32FileSystem::CreateFolderTree(const std::wstring& path)
{
    ::SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
}

std::optional<Guid> Win32FileSystem::CreateGuid()
{
    GUID guid;
    if (::CoCreateGuid(&guid) != S_OK)
        return std::nullopt;
    Guid out;
    out.data1 = guid.Data1;
    out.data2 = guid.Data2;
    out.data3 = guid.Data3;
    std::memcpy(out.data4, guid.Data4, sizeof out.data4);
    return out;
}

bool Win32FileSystem::ProbeNewFile(const std::wstring& path)
{
    const UniqueFile probe(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return static_cast<bool>(probe);
}

void Win32FileSystem::GrantEveryoneAccess(const std::wstring& path, std::uint32_t mask)
{
    PACL currentAcl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                &currentAcl, nullptr, &descriptor) != ERROR_SUCCESS)
        return;
    const UniqueLocalMemory ownedDescriptor(descriptor);  // holds currentAcl too

    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return;
    const UniqueSid ownedSid(everyone);

    EXPLICIT_ACCESS_W access = {};
    access.grfAccessPermissions = mask;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.pMultipleTrustee = nullptr;
    access.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);

    PACL newAcl = nullptr;
    if (::SetEntriesInAclW(1, &access, currentAcl, &newAcl) != ERROR_SUCCESS)
        return;
    const UniqueLocalMemory ownedAcl(newAcl);
    std::wstring writablePath = path;  // the call takes a non-const string
    ::SetNamedSecurityInfoW(writablePath.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, newAcl,
                            nullptr);
}

FileWriteResult Win32FileSystem::WriteNewFile(const std::wstring& path, std::span<const std::uint8_t> bytes)
{
    FileWriteResult result;
    const UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        result.createError = ::GetLastError();
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

FileTail Win32FileSystem::ReadTail(const std::wstring& path, std::uint32_t count, std::uint32_t distanceFromEnd)
{
    FileTail tail;
    const UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return tail;
    tail.opened = true;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.Get(), &size))
        return tail;
    tail.size = static_cast<std::uint64_t>(size.QuadPart);
    LARGE_INTEGER distance;
    distance.QuadPart = -static_cast<LONGLONG>(distanceFromEnd);
    if (!::SetFilePointerEx(file.Get(), distance, nullptr, FILE_END))
        return tail;
    std::vector<std::uint8_t> bytes(count);
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data(), count, &read, nullptr))
        return tail;
    bytes.resize(read);
    tail.bytes = std::move(bytes);
    return tail;
}

std::optional<std::vector<FolderEntry>> Win32FileSystem::ListFolder(const std::wstring& pattern)
{
    WIN32_FIND_DATAW data;
    const UniqueFind find(
        ::FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find)
        return std::nullopt;
    const std::wstring folder = pattern.substr(0, pattern.find_last_of(L'\\') + 1);
    std::optional<std::optional<std::wstring>> folderFinal;  // looked up for the first sub-folder
    std::vector<FolderEntry> entries;
    do {
        FolderEntry entry{data.cFileName, EntryAttributes(data)};
        const bool dots = entry.name == L"." || entry.name == L"..";
        if (!(entry.attributes & FileAttribute::kReparsePoint) && !dots) {
            if (!folderFinal)
                folderFinal = FinalPath(folder);
            if (IsRedirected(*folderFinal, folder + entry.name, entry.name))
                entry.attributes |= FileAttribute::kRedirected;
        }
        entries.push_back(std::move(entry));
    } while (::FindNextFileW(find.Get(), &data));
    return entries;
}

std::optional<std::uint32_t> Win32FileSystem::GetAttributes(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    // Finding the path itself gives the reparse tag, which plain attributes lack.
    const UniqueFind find(
        ::FindFirstFileExW(path.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return std::nullopt;
        return attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT);
    }
    std::uint32_t attributes = EntryAttributes(data);
    const std::size_t slash = path.find_last_of(L'\\');
    if (!(attributes & FileAttribute::kReparsePoint) && slash != std::wstring::npos && slash + 1 < path.size() &&
        IsRedirected(FinalPath(path.substr(0, slash + 1)), path, path.substr(slash + 1)))
        attributes |= FileAttribute::kRedirected;
    return attributes;
}

void Win32FileSystem::DeleteOneFile(const std::wstring& path)
{
    ::DeleteFileW(path.c_str());
}

void Win32FileSystem::RemoveEmptyFolder(const std::wstring& path)
{
    ::RemoveDirectoryW(path.c_str());
}

void Win32FileSystem::SetCurrentFolder(const std::wstring& path)
{
    ::SetCurrentDirectoryW(path.c_str());
}
