#include "payload/temp_folder.h"

#include "app/diagnostic_log.h"
#include "payload/payload_paths.h"

namespace {

constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);

std::wstring g_strBaseFolder;
std::wstring g_strTempFolder;
bool g_bZeroGuid = false;

}  // namespace

std::int32_t SetTempFolder(FileSystem& files, const std::wstring& baseFolder)
{
    g_strBaseFolder = baseFolder;
    // The probe's name is as long as the temporary folder's will be: a base
    // that cannot hold one cannot hold the other, and is refused rather than
    // cut short.
    const std::wstring probe = AppendPath(baseFolder, GuidText(files.CreateGuid().value_or(kFallbackProbeGuid)));
    if (baseFolder.size() > kMaxPathChars || probe.size() > kMaxPathChars) {
        LogMessage("SetTempFolder path too long '%s'\n", baseFolder);
        LogText("SetTempFolder has failed\n");
        return kFail;
    }
    files.CreateOneFolder(baseFolder);
    if (!files.ProbeNewFile(probe)) {
        LogText("SetTempFolder has failed\n");
        return kFail;
    }
    return 0;
}

void UseZeroGuid()
{
    g_bZeroGuid = true;
}

const std::wstring& GetTempFolder(FileSystem& files)
{
    if (!g_strTempFolder.empty())
        return g_strTempFolder;
    const Guid guid = g_bZeroGuid ? Guid{} : files.CreateGuid().value_or(kFallbackFolderGuid);
    std::wstring folder = AppendPath(g_strBaseFolder, GuidText(guid));
    if (g_strBaseFolder.empty() || folder.size() > kMaxPathChars) {
        LogMessage("GetTempFolder cannot form a folder under '%s'\n", g_strBaseFolder);
        return g_strTempFolder;  // still empty
    }
    g_strTempFolder = std::move(folder);
    files.CreateFolderTree(g_strTempFolder);
    files.GrantEveryoneAccess(g_strTempFolder, kTempFolderEveryoneAccess);
    return g_strTempFolder;
}

const std::wstring& GetBaseFolder()
{
    return g_strBaseFolder;
}

void ResetTempFolder()
{
    g_strBaseFolder.clear();
    g_strTempFolder.clear();
    g_bZeroGuid = false;
}
