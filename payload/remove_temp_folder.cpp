#include "app/diagnostic_log.h"
#include "payload/extract_payload.h"
#include "payload/payload_paths.h"
#include "payload/temp_folder.h"

namespace {

constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);

// Deletes one payload file through the folders held, never by its path.
void RemovePayloadFile(CHeldFolders& held, const std::wstring& name, const std::wstring& path)
{
    const std::wstring leaf = LastComponent(name);
    HeldFolder* folder = held.Reach(RemoveLastComponent(name));
    if (folder && !leaf.empty() && folder->RemoveEntry(leaf) == EntryRemoval::kRedirected)
        LogMessage("Deletion skipped, link to elsewhere '%s'\n", path);
}

}  // namespace

std::int32_t RemoveTempFolder(FileSystem& files, const CResourceList& resources)
{
    CHeldFolders& held = GetHeldFolders();
    if (!held.Root())
        return 0;  // never formed: nothing of the run's to remove
    const std::wstring folder = GetTempFolder(files);
    if (!IsTempFolderIntact(files)) {
        held.Clear();
        return kFail;
    }
    for (const auto& resource : resources) {
        std::wstring path;
        if (GetFilePath(files, *resource, path) && !path.empty()) {
            LogMessage("Manual Deletion of '%s'\n", path);
            // A record without a name gives the folder itself, which is not
            // a file to delete.
            if (!resource->m_strName.empty())
                RemovePayloadFile(held, resource->m_strName, path);
        }
    }
    // The installer ran with the folder as its current directory, and a
    // current directory cannot be removed.
    files.SetCurrentFolder(L"\\");
    LogMessage("Deletion Folder of '%s'\n", folder);
    DeleteFolderTree(held, folder);
    return 0;
}
