#include "app/diagnostic_log.h"
#include "payload/temp_folder.h"

namespace {

// The walk's path buffer: 265 characters with the terminator. A path that
// does not fit is skipped, never cut short (a cut path names another file).
constexpr std::size_t kDeleteBufferChars = 264;
constexpr std::wstring_view kPattern = L"*.*";

bool IsLink(std::uint32_t attributes)
{
    return (attributes & FileAttribute::kReparsePoint) != 0;
}

bool FitsAsFolder(const std::wstring& path)
{
    return path.size() + 1 + kPattern.size() <= kDeleteBufferChars;
}

void SkipTooLong(const std::wstring& path)
{
    LogMessage("Deletion skipped, path too long '%s'\n", path);
}

// Neither entered nor deleted: deleting it would delete what it points to.
bool SkipRedirected(const std::wstring& path, std::uint32_t attributes)
{
    if ((attributes & FileAttribute::kRedirected) == 0 || IsLink(attributes))
        return false;
    LogMessage("Deletion skipped, link to elsewhere '%s'\n", path);
    return true;
}

// Removing a link removes the link alone; its target is never entered.
void RemoveLink(FileSystem& files, const std::wstring& path, std::uint32_t attributes)
{
    LogMessage("Deletion link '%s'\n", path);
    if (attributes & FileAttribute::kDirectory)
        files.RemoveEmptyFolder(path);
    else
        files.DeleteOneFile(path);
}

void DeleteFolderContents(FileSystem& files, const std::wstring& path)
{
    std::wstring folder = path;
    if (folder.empty() || folder.back() != L'\\')
        folder.push_back(L'\\');
    const auto entries = files.ListFolder(folder + std::wstring(kPattern));
    if (!entries)
        return;
    for (const FolderEntry& entry : *entries) {
        const bool isFolder = (entry.attributes & FileAttribute::kDirectory) != 0;
        if (isFolder && (entry.name == L"." || entry.name == L".."))
            continue;
        const std::wstring full = folder + entry.name;
        if (SkipRedirected(full, entry.attributes)) {
            continue;
        } else if (full.size() > kDeleteBufferChars || (isFolder && !IsLink(entry.attributes) && !FitsAsFolder(full))) {
            SkipTooLong(full);
        } else if (IsLink(entry.attributes)) {
            RemoveLink(files, full, entry.attributes);
        } else if (isFolder) {
            LogMessage("Deletion subfolder Folder of '%s'\n", full);
            DeleteFolderContents(files, full);
            LogMessage("Remove Folder '%s'\n", full);
            files.RemoveEmptyFolder(full);
        } else {
            LogMessage("Deletion file '%s'\n", full);
            files.DeleteOneFile(full);
        }
    }
}

}  // namespace

void DeleteFolderTree(FileSystem& files, const std::wstring& path)
{
    if (!FitsAsFolder(path)) {
        SkipTooLong(path);
        return;
    }
    const std::optional<std::uint32_t> attributes = files.GetAttributes(path);
    if (attributes && SkipRedirected(path, *attributes))
        return;
    if (attributes && IsLink(*attributes)) {
        RemoveLink(files, path, *attributes);
        return;
    }
    DeleteFolderContents(files, path);
    LogMessage("Remove Folder '%s'\n", path);
    files.RemoveEmptyFolder(path);
}
