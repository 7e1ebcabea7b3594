// Starting the installer program and watching it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// A started process; its process and thread handles are closed when the
// object is destroyed.
class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    virtual std::uint32_t GetProcessId() const = 0;
    enum class WaitOutcome { kEnded, kTimedOut, kFailed };
    // WaitForSingleObject with a time-out; on kFailed the platform's error
    // is in error.
    virtual WaitOutcome WaitForExit(std::uint32_t milliseconds, std::uint32_t& error) = 0;
    // WaitForSingleObject without a time-out: true once the process has
    // ended; false with the platform's error when the wait fails.
    virtual bool WaitForExitWithoutTimeout(std::uint32_t& error) = 0;
    // GetExitCodeProcess: false with the platform's error when it fails.
    virtual bool GetExitCode(std::uint32_t& exitCode, std::uint32_t& error) = 0;
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Makes folder the process's current directory as the C runtime's
    // _wchdir does (including the drive's current-directory variable).
    virtual void ChangeDirectory(const std::wstring& folder) = 0;
    // CreateProcessW with this command line, no application name, nothing
    // inherited, the current directory and environment of this process, and
    // default start-up information. Null when it fails.
    virtual std::unique_ptr<ChildProcess> Start(const std::wstring& commandLine) = 0;
};
