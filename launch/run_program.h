#pragma once

#include "app/string_table.h"
#include "app/threads.h"
#include "launch/process_launcher.h"
#include "launch/processor_mode.h"
#include "launch/window_iterator.h"

#include <cstdint>
#include <string>

// What starting the installer program needs from the platform.
struct LaunchServices {
    const StringTable& strings;
    ProcessLauncher& launcher;
    WindowSystem& windows;
    Wow64& wow64;
};

namespace LaunchStatus {
inline constexpr std::int32_t kCreateProcessFailed = static_cast<std::int32_t>(0x80070057);  // E_INVALIDARG
inline constexpr std::int32_t kWrongProcessorMode = static_cast<std::int32_t>(0x80004004);   // E_ABORT
}  // namespace LaunchStatus

// Starts the installer program (runTarget, quoted, then the forwarded line)
// in tempFolder, sets installerShown once the installer has a visible
// top-level window, waits for its end and stores its exit code. 0, the
// platform's error (E_FAIL when it is 0) when the exit code cannot be read
// (also when a wait fails: the installer may still run), 0x80070057 when the
// process cannot be created, 0x80004004 when the processor mode does not
// fit. The log is closed while the installer runs.
std::int32_t RunProgram(const LaunchServices& services, const std::wstring& tempFolder, const std::wstring& runTarget,
                        const std::wstring& commandLine, std::uint32_t* exitCode, Event& installerShown);
