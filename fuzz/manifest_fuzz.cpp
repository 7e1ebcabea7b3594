// The manifest text and the attachment of its names to the payload records.
// Input: the manifest resource's bytes.
#include "app/diagnostic_log.h"
#include "fakes/fake_code_page.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_log_files.h"
#include "fakes/fake_resource_store.h"
#include "fuzz_input.h"
#include "payload/extract_payload.h"
#include "payload/manifest.h"
#include "payload/payload_paths.h"
#include "payload/temp_folder.h"

#include <algorithm>

namespace {

constexpr std::uintptr_t kModule = 0x400000;
constexpr std::size_t kMaxRecords = 64;

// Maximal runs of characters other than '*'.
std::size_t CountFields(std::wstring_view text)
{
    std::size_t fields = 0;
    bool inField = false;
    for (const wchar_t c : text) {
        if (c != L'*' && !inField)
            ++fields;
        inField = c != L'*';
    }
    return fields;
}

void CheckParse(std::wstring_view text)
{
    CResourceFileMap map;
    FUZZ_CHECK(ParseManifest(text, map) == 0);
    // Each entry takes at least an id and a name.
    FUZZ_CHECK(map.size() <= CountFields(text) / 2);
    for (std::size_t i = 0; i < map.size(); ++i) {
        const CResourceFile& entry = map[i];
        FUZZ_CHECK(i == 0 || map[i - 1].m_nId < entry.m_nId);  // in id order, one per id
        FUZZ_CHECK(FindResourceFile(map, entry.m_nId) == &entry);
        FUZZ_CHECK(!entry.m_strName.empty());
        FUZZ_CHECK(entry.m_strName.find(L'*') == std::wstring::npos);
        FUZZ_CHECK(text.find(entry.m_strName) != std::wstring_view::npos);
    }
    CResourceFileMap again;
    ParseManifest(text, again);
    FUZZ_CHECK(again.size() == map.size());
}

void CheckAttachment(const std::uint8_t* data, std::size_t size)
{
    FakeCodePage codePage;
    FakeLogFiles logFiles;
    FakeResourceStore store;
    FakeFileSystem files;
    g_log.Reset();
    g_log.Attach(&codePage, &logFiles);
    ResetTempFolder();
    files.AddFolder(L"C:\\T");
    FUZZ_CHECK(SetTempFolder(files, L"C:\\T") == 0);

    store.Add(kManifestId, std::string(reinterpret_cast<const char*>(data), size));
    CResourceFileMap map;
    ParseManifest(codePage.FromAnsi(std::string_view(reinterpret_cast<const char*>(data), size)), map);
    // A record for most ids the manifest names (the manifest's own included),
    // and one it does not name.
    for (const CResourceFile& entry : map) {
        if (store.byId.size() < kMaxRecords && !store.byId.count(entry.m_nId))
            store.Add(entry.m_nId, "x");
    }
    if (!store.byId.count(7))
        store.Add(7, "y");

    CResourceList list;
    FUZZ_CHECK(EnumerateResources(store, kModule, list));
    std::wstring runTarget;
    const PayloadSources sources{store, files, codePage};
    const std::int32_t result = WorkOutFileNames(sources, list, runTarget);
    FUZZ_CHECK(result == PayloadStatus::kOk || result == PayloadStatus::kFail);

    const std::wstring& folder = GetTempFolder(files);
    std::vector<const CResource*> byId;
    for (const auto& record : list) {
        const CResourceFile* entry = FindResourceFile(map, record->m_nId);
        if (!entry) {
            FUZZ_CHECK(record->m_strName.empty());
            continue;
        }
        if (!IsSafePayloadName(entry->m_strName)) {
            FUZZ_CHECK(result == PayloadStatus::kFail);
            FUZZ_CHECK(record->m_strName.empty());
            continue;
        }
        FUZZ_CHECK(EqualsNoCase(record->m_strName, entry->m_strName));
        FUZZ_CHECK(std::none_of(record->m_strName.begin(), record->m_strName.end(),
                                [](wchar_t c) { return c >= L'A' && c <= L'Z'; }));
        FUZZ_CHECK(record->m_nSize == entry->m_nSize);
        byId.push_back(record.get());
    }
    // The program to start: the lowest id whose name holds ".exe" after its
    // first character and whose path fits.
    std::sort(byId.begin(), byId.end(), [](const CResource* a, const CResource* b) { return a->m_nId < b->m_nId; });
    std::wstring expected;
    for (const CResource* record : byId) {
        const std::size_t at = record->m_strName.find(L".exe");
        const std::wstring path = AppendPath(folder, record->m_strName);
        if (at != std::wstring::npos && at > 0 && path.size() <= kMaxPathChars) {
            expected = path;
            break;
        }
    }
    FUZZ_CHECK(runTarget == expected);
    FUZZ_CHECK(runTarget.empty() || runTarget.rfind(folder + L"\\", 0) == 0);

    ResetTempFolder();
    g_log.Reset();
    g_log.Attach(nullptr, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 16384)
        return 0;
    CheckParse(WideFromBytes(data, size));
    CheckAttachment(data, size);
    return 0;
}
