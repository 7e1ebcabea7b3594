#include "payload/file_system_win32.h"

#include "app/win32_handles.h"

#include <windows.h>

#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstring>

namespace {

// Buffers the process heap hands back, such as an NT path's.
struct ProcessHeapTraits {
    static void* Invalid() { return nullptr; }
    static void Close(void* memory) { ::HeapFree(::GetProcessHeap(), 0, memory); }
};
using UniqueHeapMemory = UniqueResource<void*, ProcessHeapTraits>;

}  // namespace

Win32FileSystem::Win32FileSystem() : m_bNtCalls(m_nt.LookUp()) {}

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
    // A new file only: an existing entry of the name (one planted at the
    // fixed name used when no GUID can be made) is neither truncated nor,
    // through delete-on-close, deleted, and a link there is not followed.
    const UniqueFile probe(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    return static_cast<bool>(probe);
}

std::unique_ptr<HeldFolder> Win32FileSystem::CreateNewFolder(const std::wstring& path,
                                                             const std::wstring& securityDescriptor,
                                                             CreateOutcome& outcome, std::uint32_t& error)
{
    outcome = CreateOutcome::kFailed;
    if (!m_bNtCalls) {
        error = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(securityDescriptor.c_str(), SDDL_REVISION_1,
                                                                &descriptor, nullptr)) {
        error = ::GetLastError();
        return nullptr;
    }
    const UniqueLocalMemory ownedDescriptor(descriptor);
    // The conversion CreateDirectoryW makes of the same path.
    UNICODE_STRING ntPath = {};
    if (!m_nt.dosPathToNtPath(path.c_str(), &ntPath, nullptr, nullptr)) {
        error = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    const UniqueHeapMemory ownedPath(ntPath.Buffer);
    return Win32HeldFolder::Create(m_nt, nullptr, ntPath, descriptor, outcome, error);
}

std::optional<FileIdentity> Win32FileSystem::IdentityAt(const std::wstring& path)
{
    // Read attributes only, every sharing: never in conflict with a held folder.
    const UniqueFile handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
    if (!handle)
        return std::nullopt;
    return IdentityOfHandle(handle.Get());
}

std::wstring Win32FileSystem::TokenOwnerSid()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    const UniqueHandle ownedToken(token);
    alignas(TOKEN_OWNER) unsigned char owner[sizeof(TOKEN_OWNER) + SECURITY_MAX_SID_SIZE];
    DWORD length = 0;
    if (!::GetTokenInformation(token, TokenOwner, owner, sizeof owner, &length))
        return {};
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_OWNER*>(owner)->Owner, &text))
        return {};
    const UniqueLocalMemory ownedText(text);
    return text;
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

void Win32FileSystem::SetCurrentFolder(const std::wstring& path)
{
    ::SetCurrentDirectoryW(path.c_str());
}
