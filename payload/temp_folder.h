// The run's temporary folder: a folder named by a GUID under a base folder,
// formed on first use and removed with everything in it at the end.
//
// The base folder, the temporary folder and the zero-GUID setting are
// process-wide and written only by the worker thread.
#pragma once

#include "payload/file_system.h"
#include "payload/resource.h"

#include <cstdint>
#include <string>

// Used when the platform cannot make a GUID for the temporary folder.
inline constexpr Guid kFallbackFolderGuid = {0x66EC6C3A, 0x0B4A, 0x4CAB, {0xA2, 0x4A, 0x53, 0xB2, 0xD4, 0x17, 0x6C, 0xD1}};
// Used for the probe file when the platform cannot make a GUID.
inline constexpr Guid kFallbackProbeGuid = {0x00000001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};

// Everyone may read and run what lies in the folder, and nothing more: the
// folder holds programs the elevated run starts, so no other user may
// replace them or plant a library beside them.
inline constexpr std::uint32_t kTempFolderEveryoneAccess = AccessMask::kGenericRead | AccessMask::kGenericExecute;

// Makes the path the base folder and probes that a file can be created in
// it. 0, or E_FAIL (also for a base whose temporary folder would not fit the
// platform's path limit). The base is stored even on failure.
std::int32_t SetTempFolder(FileSystem& files, const std::wstring& baseFolder);
// Names the temporary folder with the all-zero GUID when it is first formed.
void UseZeroGuid();
// The temporary folder: formed, created and opened to Everyone (read and
// execute) on the first call, the same path on every later one. Empty when
// no base folder could give a path within the platform's limit.
const std::wstring& GetTempFolder(FileSystem& files);
// Deletes the payload files named in the list, then the whole folder. 0.
std::int32_t RemoveTempFolder(FileSystem& files, const CResourceList& resources);
// Deletes the folder with everything under it, depth first. Links
// (junctions, symbolic links, mount points) are removed themselves and never
// followed; entries that resolve elsewhere but cannot be removed alone are
// left untouched. Whatever cannot be deleted stays.
void DeleteFolderTree(FileSystem& files, const std::wstring& path);

const std::wstring& GetBaseFolder();
// Forgets the base folder, the temporary folder and the zero-GUID setting.
void ResetTempFolder();
