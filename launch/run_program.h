#pragma once

#include <cstdint>
#include <string>

class CVelloxInstallerApp;

// Starts the installer program and waits for it; its exit code goes to
// exitCode. 0 or a failure code.
std::int32_t RunProgram(CVelloxInstallerApp& app, const std::wstring& runTarget, const std::wstring& commandLine,
                        std::uint32_t* exitCode);
