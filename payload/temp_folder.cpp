#include "payload/temp_folder.h"

#include "app/diagnostic_log.h"
#include "payload/payload_paths.h"
#include "payload/temp_folder_access.h"

namespace {

constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);

std::wstring g_strBaseFolder;
std::wstring g_strTempFolder;
bool g_bZeroGuid = false;
bool g_bFormingTried = false;
CHeldFolders g_heldFolders;

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
    if (g_bFormingTried)
        return g_strTempFolder;
    g_bFormingTried = true;
    if (g_strBaseFolder.empty()) {
        LogMessage("GetTempFolder cannot form a folder under '%s'\n", g_strBaseFolder);
        return g_strTempFolder;  // still empty
    }
    files.CreateFolderTree(g_strBaseFolder);
    const std::wstring descriptor = TempFolderSecurityDescriptor(files.TokenOwnerSid());
    for (int attempt = 0; attempt < kTempFolderAttempts; ++attempt) {
        const Guid guid = g_bZeroGuid ? Guid{} : files.CreateGuid().value_or(kFallbackFolderGuid);
        std::wstring folder = AppendPath(g_strBaseFolder, GuidText(guid));
        if (folder.size() > kMaxPathChars) {
            LogMessage("GetTempFolder cannot form a folder under '%s'\n", g_strBaseFolder);
            break;
        }
        CreateOutcome outcome = CreateOutcome::kFailed;
        std::uint32_t error = 0;
        std::unique_ptr<HeldFolder> held = files.CreateNewFolder(folder, descriptor, outcome, error);
        if (held && outcome == CreateOutcome::kCreated) {
            g_heldFolders.HoldRoot(std::move(held));
            g_strTempFolder = std::move(folder);
            break;
        }
        if (outcome != CreateOutcome::kExists) {
            LogMessage("GetTempFolder cannot create '%s' %ld\n", folder, error);
            break;
        }
        // Planted, or another run's: what is there is neither used nor touched.
        LogMessage("GetTempFolder '%s' exists already, not reused\n", folder);
        if (g_bZeroGuid)
            break;
    }
    return g_strTempFolder;
}

CHeldFolders& GetHeldFolders()
{
    return g_heldFolders;
}

bool IsTempFolderIntact(FileSystem& files)
{
    const HeldFolder* held = g_heldFolders.Root();
    if (!held || g_strTempFolder.empty())
        return false;
    const std::optional<FileIdentity> now = files.IdentityAt(g_strTempFolder);
    if (now && *now == held->Identity())
        return true;
    LogMessage("Temp folder '%s' is no longer the folder created\n", g_strTempFolder);
    return false;
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
    g_bFormingTried = false;
    g_heldFolders.Clear();
}
