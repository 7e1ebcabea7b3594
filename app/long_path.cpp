#include "app/long_path.h"

#include <string_view>

namespace {

bool IsDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// A "." or ".." component, which only the plain form folds away.
bool HasDotComponent(std::wstring_view path)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring_view::npos)
            end = path.size();
        const std::wstring_view component = path.substr(start, end - start);
        if (component == L"." || component == L"..")
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::wstring MakeExtendedLengthPath(const std::wstring& path)
{
    if (path.size() < kExtendedLengthFrom)
        return path;
    const std::wstring_view view(path);
    // "\\?\" and "\??\" are raw already; "\\.\" names a device.
    if (view.starts_with(L"\\\\?\\") || view.starts_with(L"\\??\\") || view.starts_with(L"\\\\.\\"))
        return path;
    if (view.find(L'/') != std::wstring_view::npos || HasDotComponent(view))
        return path;
    if (IsDriveLetter(view[0]) && view[1] == L':' && view[2] == L'\\')
        return L"\\\\?\\" + path;
    // "\\server\share\...": a server name, then a share name.
    if (view.starts_with(L"\\\\") && view[2] != L'\\') {
        const std::size_t shareStart = view.find(L'\\', 2);
        if (shareStart != std::wstring_view::npos && shareStart + 1 < view.size() && view[shareStart + 1] != L'\\')
            return L"\\\\?\\UNC\\" + path.substr(2);
    }
    return path;
}
