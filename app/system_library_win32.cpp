#include "app/system_library.h"
#include "app/win32_handles.h"

#include <windows.h>

namespace {

class Win32LibraryLoader final : public LibraryLoader {
public:
    std::uintptr_t LoadRestrictedToSystemFolder(const std::wstring& name, std::uint32_t& error) override
    {
        const HMODULE module = ::LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        error = module ? 0 : ::GetLastError();
        return reinterpret_cast<std::uintptr_t>(module);
    }
    std::optional<std::wstring> GetSystemFolder() override
    {
        wchar_t buffer[MAX_PATH];
        const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return std::nullopt;
        return std::wstring(buffer, length);
    }
    std::uintptr_t LoadFullPath(const std::wstring& path) override
    {
        return reinterpret_cast<std::uintptr_t>(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    }
};

}  // namespace

UniqueModule LoadSystemLibrary(const wchar_t* name)
{
    Win32LibraryLoader loader;
    return UniqueModule(reinterpret_cast<HMODULE>(LoadLibraryFromSystemFolder(loader, name)));
}
