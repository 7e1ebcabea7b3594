// The memory baselines' one job: every payload resource of a bootstrapper
// written from its mapped memory with one WriteFile per file (then deleted,
// so that the disk does not fill up).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace payload_writes {

struct Target {
    std::wstring folder;
    bool ok = true;
    // Kept until RemoveWritten when set, as a bootstrapper keeps its files
    // until the removal; otherwise each file is deleted once written.
    std::vector<std::wstring>* kept = nullptr;
};

inline BOOL CALLBACK WriteOne(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR context)
{
    Target& target = *reinterpret_cast<Target*>(context);
    if (!IS_INTRESOURCE(name) || reinterpret_cast<ULONG_PTR>(name) == 101)
        return TRUE;  // the manifest is not written
    const HRSRC found = ::FindResourceW(module, name, type);
    const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = found ? ::SizeofResource(module, found) : 0;
    const std::wstring path =
        target.folder + L"\\" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) + L".bin";
    const HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    target.ok = target.ok && data && file != INVALID_HANDLE_VALUE &&
                ::WriteFile(file, data, size, &written, nullptr) && written == size;
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
        if (target.kept)
            target.kept->push_back(path);
        else
            ::DeleteFileW(path.c_str());
    }
    return TRUE;
}

}  // namespace payload_writes

// Writes every payload resource of the module into folder; false when any
// write failed.
inline bool WritePayloadResources(HMODULE module, const std::wstring& folder)
{
    payload_writes::Target target{folder};
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::EnumResourceNamesW(module, L"TOOLKIT", payload_writes::WriteOne, reinterpret_cast<LONG_PTR>(&target));
    ::RemoveDirectoryW(folder.c_str());
    return target.ok;
}

// The same writes as two steps of a bootstrapper's run: the files written
// into the folder made before, and everything removed again.
inline bool WritePayloadFiles(HMODULE module, const std::wstring& folder, std::vector<std::wstring>& written)
{
    payload_writes::Target target{folder, true, &written};
    ::EnumResourceNamesW(module, L"TOOLKIT", payload_writes::WriteOne, reinterpret_cast<LONG_PTR>(&target));
    return target.ok;
}

inline void RemovePayloadFolder(const std::wstring& folder, const std::vector<std::wstring>& written)
{
    for (const std::wstring& path : written)
        ::DeleteFileW(path.c_str());
    ::RemoveDirectoryW(folder.c_str());
}
