#pragma once

#include <cstdint>
#include <string>

class CVelloxInstallerApp;

// 0 when the base folder exists and a file can be created in it, else E_FAIL.
std::int32_t SetTempFolder(const std::wstring& baseFolder);
// Names the temporary folder with the all-zero GUID when it is first formed.
void UseZeroGuid();
// Deletes the run's temporary folder and everything extracted into it.
void RemoveTempFolder(CVelloxInstallerApp& app);
