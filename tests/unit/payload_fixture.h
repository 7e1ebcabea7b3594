// The payload steps on a fake resource store and file system, with the log
// captured. The base folder C:\T exists and is set; nothing else does.
#pragma once

#include "app_fixture.h"
#include "payload/extract_payload.h"
#include "payload/temp_folder.h"

#include <sstream>

class PayloadFixture : public AppFixture {
protected:
    static constexpr std::uintptr_t kModule = 0x400000;
    static constexpr const wchar_t* kBase = L"C:\\T";
    // The first GUID the fake hands out names the temporary folder.
    static constexpr const wchar_t* kFolder = L"C:\\T\\{00000001-0000-0000-0000-0000000000AB}";

    PayloadFixture()
    {
        resources.byId.clear();
        fileSystem.AddFolder(kBase);
        SetBase(kBase);
    }

    // A new empty world: no resources, no log, only the base folder.
    void FreshWorld()
    {
        ResetTempFolder();  // releases what was held in the old world first
        g_log.Reset();
        resources = FakeResourceStore();
        fileSystem = FakeFileSystem();
        fileSystem.AddFolder(kBase);
        SetBase(kBase);
    }

    void SetBase(const std::wstring& base)
    {
        ResetTempFolder();
        Guid probe;
        probe.data1 = 0xF0F0F0F0;  // the probe's GUID, not used for the folder
        fileSystem.guids.push_front(probe);
        ASSERT_EQ(SetTempFolder(fileSystem, base), 0);
    }

    PayloadSources Sources() { return PayloadSources{resources, fileSystem, codePage}; }

    std::int32_t Extract(std::wstring& runTarget)
    {
        list.clear();
        return ExtractPayload(Sources(), kModule, list, runTarget);
    }

    // Payload resources 102.. with the given names and contents, and a
    // manifest that gives each its true size.
    void AddPayload(const std::vector<std::pair<std::wstring, std::string>>& files)
    {
        std::wstring manifest;
        std::uint32_t id = 102;
        for (const auto& [name, bytes] : files) {
            resources.Add(id, bytes);
            manifest += (manifest.empty() ? L"" : L"*") + std::to_wstring(id++) + L"*" + name + L"*" +
                        std::to_wstring(bytes.size());
        }
        resources.Add(101, codePage.ToAnsi(manifest));
    }

    std::wstring InFolder(const std::wstring& name) const { return std::wstring(kFolder) + L"\\" + name; }

    CResourceList list;
};
