#include "app/long_path.h"

namespace {

bool IsDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// What the extended form would take differently from the plain one: a "/"
// (a separator only in the plain form) or a "." or ".." component (folded
// away only in the plain form).
bool HasPlainOnlyMeaning(const std::wstring& path)
{
    std::size_t componentStart = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        const wchar_t c = i < path.size() ? path[i] : L'\\';
        if (c == L'/')
            return true;
        if (c != L'\\')
            continue;
        const std::size_t length = i - componentStart;
        if ((length == 1 || length == 2) && path[componentStart] == L'.' && path[i - 1] == L'.')
            return true;
        componentStart = i + 1;
    }
    return false;
}

// The prefix that makes the path extended, and how many of its leading
// characters the prefix replaces; null when the path stays as it is.
const wchar_t* ExtendedPrefixFor(const std::wstring& path, std::size_t& replaced)
{
    replaced = 0;
    if (path.size() < kExtendedLengthFrom || HasPlainOnlyMeaning(path))
        return nullptr;
    if (IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\')
        return L"\\\\?\\";
    // "\\?\", "\\.\" (a device) and "\??\" are raw already; a UNC path
    // needs a server name, then a share name.
    if (path[0] != L'\\' || path[1] != L'\\' || path[2] == L'\\' || path[2] == L'?' || path[2] == L'.')
        return nullptr;
    const std::size_t share = path.find(L'\\', 2);
    if (share == std::wstring::npos || share + 1 == path.size() || path[share + 1] == L'\\')
        return nullptr;
    replaced = 2;
    return L"\\\\?\\UNC\\";
}

}  // namespace

std::wstring MakeExtendedLengthPath(const std::wstring& path)
{
    std::size_t replaced = 0;
    const wchar_t* prefix = ExtendedPrefixFor(path, replaced);
    if (!prefix)
        return path;
    std::wstring extended(prefix);
    extended.append(path, replaced, std::wstring::npos);
    return extended;
}
