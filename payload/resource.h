// The payload's resources as the run knows them: one record per TOOLKIT
// resource of the executable, and one entry per triple of the manifest.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One enumerated TOOLKIT resource. Name and size come from the manifest;
// a record without a name is never written.
class CResource {
public:
    CResource(std::uint32_t id, std::wstring type, std::uintptr_t module)
        : m_nId(id), m_strType(std::move(type)), m_hModule(module)
    {
    }

    std::uint32_t m_nId;
    std::int32_t m_nSize = 0;  // bytes, as the manifest gives them
    std::wstring m_strType;
    std::uintptr_t m_hModule;  // the module holding the resource, as a number
    std::wstring m_strName;    // relative to the temporary folder; lower-cased once attached
};

// One manifest triple.
struct CResourceFile {
    std::uint32_t m_nId = 0;
    std::int32_t m_nSize = 0;
    std::wstring m_strName;
};

// Owned by the application for the whole run: filled by the extraction,
// walked again when the temporary folder is removed. Each enumeration puts
// its records in front, last enumerated first, so walking from the front
// visits the highest id first.
using CResourceList = std::vector<std::unique_ptr<CResource>>;

// The resource type of every payload resource, and the manifest's id.
inline constexpr wchar_t kPayloadResourceType[] = L"TOOLKIT";
inline constexpr std::uint32_t kManifestId = 101;
