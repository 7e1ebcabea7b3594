#include "app/diagnostic_log.h"
#include "payload/temp_folder.h"

namespace {

// The walk's path buffer: 265 characters with the terminator. A path that
// does not fit is skipped, never cut short (a cut path names another file).
constexpr std::size_t kDeleteBufferChars = 264;
constexpr std::wstring_view kPattern = L"*.*";

// a + "\" + b, built in one place rather than at each use.
std::wstring Joined(const std::wstring& a, const std::wstring& b)
{
    std::wstring joined(a);
    joined.push_back(L'\\');
    joined.append(b);
    return joined;
}

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

// Removes the entry itself; one that turns out to resolve elsewhere stays.
void RemoveEntry(HeldFolder& folder, const std::wstring& name, const std::wstring& path)
{
    if (folder.RemoveEntry(name) == EntryRemoval::kRedirected)
        SkipRedirected(path, FileAttribute::kRedirected);
}

// Removing a link removes the link alone; its target is never entered.
void RemoveLink(HeldFolder& folder, const std::wstring& name, const std::wstring& path)
{
    LogMessage("Deletion link '%s'\n", path);
    RemoveEntry(folder, name, path);
}

void DeleteFolderContents(CHeldFolders& held, HeldFolder& folder, const std::wstring& path,
                          const std::wstring& relative)
{
    const auto entries = folder.List();
    if (!entries)
        return;
    for (const FolderEntry& entry : *entries) {
        const bool isFolder = (entry.attributes & FileAttribute::kDirectory) != 0;
        const std::wstring full = Joined(path, entry.name);
        if (SkipRedirected(full, entry.attributes)) {
            continue;
        } else if (full.size() > kDeleteBufferChars || (isFolder && !IsLink(entry.attributes) && !FitsAsFolder(full))) {
            SkipTooLong(full);
        } else if (IsLink(entry.attributes)) {
            RemoveLink(folder, entry.name, full);
        } else if (isFolder) {
            LogMessage("Deletion subfolder Folder of '%s'\n", full);
            // Opened and checked now, not when it was listed: it may have
            // been replaced by a link in between.
            std::uint32_t attributes = 0;
            std::unique_ptr<HeldFolder> sub = held.Enter(folder, relative, entry.name, attributes);
            if (!sub) {
                if (IsLink(attributes))
                    RemoveLink(folder, entry.name, full);
                else
                    SkipRedirected(full, attributes);
                continue;
            }
            DeleteFolderContents(held, *sub, full, relative.empty() ? entry.name : Joined(relative, entry.name));
            LogMessage("Remove Folder '%s'\n", full);
            sub->RemoveSelf();
        } else {
            LogMessage("Deletion file '%s'\n", full);
            RemoveEntry(folder, entry.name, full);
        }
    }
}

}  // namespace

void DeleteFolderTree(CHeldFolders& held, const std::wstring& path)
{
    HeldFolder* root = held.Root();
    if (root && FitsAsFolder(path)) {
        DeleteFolderContents(held, *root, path, std::wstring());
        LogMessage("Remove Folder '%s'\n", path);
        root->RemoveSelf();
    } else if (root) {
        SkipTooLong(path);
    }
    held.Clear();
}
