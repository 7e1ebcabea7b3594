#pragma once

#include <cstdint>
#include <string>

class CVelloxInstallerApp;

// Extracts the payload into the temporary folder; on 0, runTarget names the
// installer program to start.
std::int32_t ExtractPayload(CVelloxInstallerApp& app, std::wstring& runTarget);
