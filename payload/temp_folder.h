// The run's temporary folder: a folder named by a GUID under a base folder,
// formed on first use and removed with everything in it at the end.
//
// The base folder, the temporary folder and the zero-GUID setting are
// process-wide and written only by the worker thread.
#pragma once

#include "payload/file_system.h"
#include "payload/held_folders.h"
#include "payload/resource.h"

#include <cstdint>
#include <string>

// Used when the platform cannot make a GUID for the temporary folder.
inline constexpr Guid kFallbackFolderGuid = {0x66EC6C3A, 0x0B4A, 0x4CAB, {0xA2, 0x4A, 0x53, 0xB2, 0xD4, 0x17, 0x6C, 0xD1}};
// Used for the probe file when the platform cannot make a GUID.
inline constexpr Guid kFallbackProbeGuid = {0x00000001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};

// How often a random GUID is drawn again when its name is taken already.
inline constexpr int kTempFolderAttempts = 5;

// Makes the path the base folder and probes that a file can be created in
// it. 0, or E_FAIL (also for a base whose temporary folder would not fit the
// platform's path limit). The base is stored even on failure.
std::int32_t SetTempFolder(FileSystem& files, const std::wstring& baseFolder);
// Names the temporary folder with the all-zero GUID when it is first formed.
void UseZeroGuid();
// The temporary folder: formed on the first call, the same path on every
// later one. Forming creates it as a new folder with the run's own access
// list and holds it open (GetHeldFolders) until removal; a name that is taken
// already (by anything: a folder, a file, a link) is never reused: another
// GUID is drawn, and with the zero GUID forming fails. Empty when forming
// failed (the log says why); it is tried once per run.
const std::wstring& GetTempFolder(FileSystem& files);
// The folders the run holds: the temporary folder and its sub-folders.
CHeldFolders& GetHeldFolders();
// True when the temporary folder's path still names the folder the run
// created and holds; otherwise logs that it does not. Nothing may be used
// through the path when it is false.
bool IsTempFolderIntact(FileSystem& files);
// Deletes the payload files named in the list, then the whole folder, all
// through the folders held; 0. E_FAIL, deleting nothing, when the path no
// longer names the folder created.
std::int32_t RemoveTempFolder(FileSystem& files, const CResourceList& resources);
// Deletes everything in the held temporary folder, depth first, then the
// folder itself, and releases what was held; path is the folder's path, for
// the log. Every entry is removed through a handle that does not follow
// links, so a link (junction, symbolic link, mount point) goes and its target
// stays; each sub-folder is opened and checked as it is entered and listed
// through what was opened. Entries that resolve elsewhere but cannot be
// removed alone are left untouched. Whatever cannot be deleted stays.
void DeleteFolderTree(CHeldFolders& held, const std::wstring& path);

const std::wstring& GetBaseFolder();
// Forgets the base folder, the temporary folder and the zero-GUID setting,
// and releases the folders held.
void ResetTempFolder();
