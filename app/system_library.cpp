#include "app/system_library.h"

namespace {

bool IsFullFolderPath(std::wstring_view folder)
{
    const bool drive = folder.size() >= 3 && ((folder[0] >= L'A' && folder[0] <= L'Z') ||
                                              (folder[0] >= L'a' && folder[0] <= L'z')) &&
                       folder[1] == L':' && folder[2] == L'\\';
    const bool unc = folder.size() >= 3 && folder.starts_with(L"\\\\") && folder[2] != L'\\';
    return drive || unc;
}

bool IsPlainFileName(std::wstring_view name)
{
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/:") == std::wstring_view::npos;
}

}  // namespace

std::optional<std::wstring> SystemLibraryPath(const std::optional<std::wstring>& systemFolder, std::wstring_view name)
{
    if (!systemFolder || !IsFullFolderPath(*systemFolder) || !IsPlainFileName(name))
        return std::nullopt;
    std::wstring path = *systemFolder;
    if (path.back() != L'\\')
        path.push_back(L'\\');
    path.append(name);
    return path;
}

std::uintptr_t LoadLibraryFromSystemFolder(LibraryLoader& loader, const std::wstring& name)
{
    std::uint32_t error = 0;
    const std::uintptr_t module = loader.LoadRestrictedToSystemFolder(name, error);
    // Any other failure came from the system folder itself: nothing else to try.
    if (module != 0 || error != kLoaderFlagUnknown)
        return module;
    const std::optional<std::wstring> path = SystemLibraryPath(loader.GetSystemFolder(), name);
    return path ? loader.LoadFullPath(*path) : 0;
}
