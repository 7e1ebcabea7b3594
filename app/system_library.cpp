#include "app/system_library.h"

namespace {

bool IsFullFolderPath(const std::wstring& folder)
{
    if (folder.size() < 3)
        return false;
    const wchar_t first = folder[0];
    const bool drive = ((first >= L'A' && first <= L'Z') || (first >= L'a' && first <= L'z')) && folder[1] == L':' &&
                       folder[2] == L'\\';
    const bool unc = first == L'\\' && folder[1] == L'\\' && folder[2] != L'\\';
    return drive || unc;
}

bool IsPlainFileName(std::wstring_view name)
{
    if (name.empty() || name == L"." || name == L"..")
        return false;
    for (const wchar_t c : name) {
        if (c == L'\\' || c == L'/' || c == L':')
            return false;
    }
    return true;
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
