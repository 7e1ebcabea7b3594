#include "payload/extract_payload.h"

#include "app/diagnostic_log.h"
#include "payload/payload_paths.h"
#include "payload/temp_folder.h"

#include <algorithm>
#include <string_view>

std::int32_t ExtractPayload(PayloadSources sources, std::uintptr_t module, CResourceList& resources,
                            std::wstring& runTarget)
{
    if (!EnumerateResources(sources.store, module, resources)) {
        LogText("Enumerate Resources has failed\n");
        return PayloadStatus::kFail;
    }
    LogText("Enumerate Resources OK \n");
    const std::int32_t status = WorkOutFileNames(sources, resources, runTarget);
    if (status != PayloadStatus::kOk)
        return status;
    return ExtractFiles(sources, resources);
}

bool EnumerateResources(ResourceStore& store, std::uintptr_t module, CResourceList& resources)
{
    const std::wstring type = kPayloadResourceType;
    const auto names = store.EnumerateNames(module, type);
    if (!names)
        return false;
    const std::size_t before = resources.size();
    for (const ResourceName& name : *names) {
        if (!name.id)
            continue;  // string-named resources are not payload
        resources.push_back(std::make_unique<CResource>(*name.id, type, module));
        LogMessage("Enumerate Resources %s %x\n", type, *name.id);
    }
    // The new records go in front, the last enumerated first.
    std::reverse(resources.begin() + before, resources.end());
    std::rotate(resources.begin(), resources.begin() + before, resources.end());
    return true;
}

std::int32_t ExtractSelf(PayloadSources sources, const CResource& resource, std::wstring& text)
{
    const ResourceBytes locked = sources.store.Lock(resource.m_hModule, resource.m_nId, resource.m_strType);
    switch (locked.failure) {
    case ResourceFailure::NotFound:
        LogText("ExtractSelf FindResource has failed\n");
        return PayloadStatus::kFail;
    case ResourceFailure::NotLoaded:
        LogText("ExtractSelf LoadResource has failed\n");
        return PayloadStatus::kFail;
    case ResourceFailure::NotLocked:
        LogText("ExtractSelf LockResource has failed\n");
        return PayloadStatus::kFail;
    case ResourceFailure::None:
        break;
    }
    text = sources.codePage.FromAnsi(
        std::string_view(reinterpret_cast<const char*>(locked.bytes.data()), locked.bytes.size()));
    return PayloadStatus::kOk;
}

std::int32_t WorkOutFileNames(PayloadSources sources, CResourceList& resources, std::wstring& runTarget)
{
    std::int32_t result = PayloadStatus::kOk;
    CResourceFileMap map;
    for (const auto& resource : resources) {
        if (resource->m_nId != kManifestId)
            continue;
        std::wstring text;
        result = ExtractSelf(sources, *resource, text);
        if (result == PayloadStatus::kOk)
            ParseManifest(text, map);
        break;
    }

    if (result == PayloadStatus::kOk) {
        for (auto& resource : resources) {
            const CResourceFile* found = FindResourceFile(map, resource->m_nId);
            if (!found)
                continue;
            const CResourceFile& entry = *found;
            // A name that leaves the temporary folder would be written, run
            // and deleted wherever it points: the build is broken.
            if (!IsSafePayloadName(entry.m_strName)) {
                LogMessage("Work Out FileName refused unsafe name '%s'\n", entry.m_strName);
                result = PayloadStatus::kFail;
                continue;
            }
            resource->m_strName = entry.m_strName;
            resource->m_nSize = entry.m_nSize;
            std::wstring path;
            if (IsProgramFile(*resource) && GetFilePath(sources.files, *resource, path))
                runTarget = path;  // the list runs from the highest id: the lowest wins
            LogMessage("Work Out FileName %s, Bytes %ld\n", entry.m_strName, entry.m_nSize);
        }
    }
    LogMessage("WorkOutFileNames %x\n", result);
    return result;
}

bool IsProgramFile(CResource& resource)
{
    for (wchar_t& c : resource.m_strName) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    const std::size_t at = resource.m_strName.find(L".exe");
    return at != std::wstring::npos && at > 0;
}

bool GetFilePath(FileSystem& files, const CResource& resource, std::wstring& path)
{
    path.clear();
    const std::wstring& folder = GetTempFolder(files);
    if (folder.empty())
        return false;
    std::wstring full = AppendPath(folder, resource.m_strName);
    if (full.size() > kMaxPathChars)
        return false;
    path = std::move(full);
    return true;
}

std::int32_t ExtractFile(PayloadSources sources, const CResource& resource)
{
    std::int32_t status = PayloadStatus::kFail;
    const ResourceBytes locked = sources.store.Lock(resource.m_hModule, resource.m_nId, resource.m_strType);
    switch (locked.failure) {
    case ResourceFailure::NotFound:
        LogText("FindResource has failed\n");
        return status;
    case ResourceFailure::NotLoaded:
        LogText("ResourceLoaded has failed\n");
        return status;
    case ResourceFailure::NotLocked:
        LogText("LockResource has failed\n");
        return status;
    case ResourceFailure::None:
        break;
    }

    std::wstring path;
    if (!GetFilePath(sources.files, resource, path)) {
        LogMessage("%s path too long\n", AppendPath(GetTempFolder(sources.files), resource.m_strName));
        return status;
    }
    // The file's folder is one the run made itself (held since) or makes
    // now; a folder that is there already is never written into.
    CreateOutcome outcome = CreateOutcome::kFailed;
    std::wstring failedLevel;
    HeldFolder* folder =
        GetHeldFolders().CreateFolders(RemoveLastComponent(resource.m_strName), outcome, failedLevel);
    if (!folder) {
        const std::wstring level = AppendPath(GetTempFolder(sources.files), failedLevel);
        if (outcome == CreateOutcome::kExists)
            LogMessage("%s exists already, not reused\n", level);
        else
            LogMessage("%s Create folder has failed\n", level);
        return status;
    }

    const std::uint64_t length = locked.bytes.size();
    const FileWriteResult written = folder->WriteFile(LastComponent(resource.m_strName), locked.bytes);
    if (written.refused) {
        LogMessage("%s exists and is not a plain file\n", path);
    } else if (!written.created) {
        LogMessage("%s Create file has failed\n", path);
    } else if (written.writeSucceeded && written.bytesWritten == length) {
        if (resource.m_nSize >= 0 && length == static_cast<std::uint64_t>(resource.m_nSize)) {
            status = PayloadStatus::kOk;
            LogMessage("%s written Ok\n", path);
        } else {
            LogMessage("%s Write file has failed\n", path);
            status = PayloadStatus::kSizeMismatch;
        }
    }
    return status;
}

std::int32_t ExtractFiles(PayloadSources sources, const CResourceList& resources)
{
    std::int32_t status = PayloadStatus::kOk;
    for (auto it = resources.begin(); it != resources.end() && status == PayloadStatus::kOk; ++it) {
        const CResource& resource = **it;
        if (resource.m_strName.empty())
            continue;
        status = ExtractFile(sources, resource);
        LogMessage("Extract File %s %x\n", resource.m_strName, status);
    }
    return status;
}
