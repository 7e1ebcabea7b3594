// Writing the payload: the TOOLKIT resources named by the manifest become
// files in the temporary folder, and the program to start is chosen.
#pragma once

#include "app/code_page.h"
#include "payload/file_system.h"
#include "payload/manifest.h"
#include "payload/resource.h"
#include "payload/resource_store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace PayloadStatus {
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);         // E_FAIL
inline constexpr std::int32_t kSizeMismatch = static_cast<std::int32_t>(0x80040167);  // a file is corrupt
}  // namespace PayloadStatus

// What the extraction works on.
struct PayloadSources {
    ResourceStore& store;
    FileSystem& files;
    const CodePage& codePage;
};

// Enumerates the module's TOOLKIT resources into the list (empty on entry),
// attaches the manifest's names and sizes, and writes every named file.
// 0, E_FAIL or 0x80040167; on 0, runTarget is the full path of the program
// to start (empty when no name is a program file).
std::int32_t ExtractPayload(PayloadSources sources, std::uintptr_t module, CResourceList& resources,
                            std::wstring& runTarget);

// One record per integer-named TOOLKIT resource, at the list's front; false
// when the module has none.
bool EnumerateResources(ResourceStore& store, std::uintptr_t module, CResourceList& resources);
// The resource's bytes as text in the thread's ANSI code page. 0 or E_FAIL.
std::int32_t ExtractSelf(PayloadSources sources, const CResource& resource, std::wstring& text);
// Attaches names and sizes from manifest 101 and picks the run target: the
// lowest id whose name is a program file. A name that would leave the
// temporary folder is never attached and makes the result E_FAIL.
std::int32_t WorkOutFileNames(PayloadSources sources, CResourceList& resources, std::wstring& runTarget);
// Lower-cases the record's name (A-Z only) and tells whether it holds ".exe"
// after its first character.
bool IsProgramFile(CResource& resource);
// The temporary folder with the record's name appended. False (path empty)
// when there is no temporary folder or the path exceeds the platform's limit.
bool GetFilePath(FileSystem& files, const CResource& resource, std::wstring& path);
// Writes one payload file straight from the resource's memory into the held
// temporary folder, making its sub-folders as new folders unless this run
// made them already. Nothing in the way is followed or reused: a sub-folder
// that exists already, or a link or folder where the file goes, fails it.
// 0, E_FAIL or 0x80040167 (written whole, but the manifest gives another
// size).
std::int32_t ExtractFile(PayloadSources sources, const CResource& resource);
// Writes every named record from the list's front until the first failure.
std::int32_t ExtractFiles(PayloadSources sources, const CResourceList& resources);
