#include "app/diagnostic_log.h"
#include "payload/extract_payload.h"
#include "payload/temp_folder.h"

std::int32_t RemoveTempFolder(FileSystem& files, const CResourceList& resources)
{
    for (const auto& resource : resources) {
        std::wstring path;
        if (GetFilePath(files, *resource, path) && !path.empty()) {
            LogMessage("Manual Deletion of '%s'\n", path);
            files.DeleteOneFile(path);
        }
    }
    const std::wstring folder = GetTempFolder(files);
    if (folder.empty())
        return 0;
    // The installer ran with the folder as its current directory, and a
    // current directory cannot be removed.
    files.SetCurrentFolder(L"\\");
    LogMessage("Deletion Folder of '%s'\n", folder);
    DeleteFolderTree(files, folder);
    return 0;
}
