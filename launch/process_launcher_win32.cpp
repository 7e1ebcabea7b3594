#include "launch/process_launcher_win32.h"

#include "app/win32_handles.h"

#include <direct.h>

#include <vector>

namespace {

class Win32ChildProcess final : public ChildProcess {
public:
    Win32ChildProcess(const PROCESS_INFORMATION& info)
        : m_hProcess(info.hProcess), m_hThread(info.hThread), m_dwProcessId(info.dwProcessId)
    {
    }
    std::uint32_t GetProcessId() const override { return m_dwProcessId; }
    WaitOutcome WaitForExit(std::uint32_t milliseconds, std::uint32_t& error) override
    {
        switch (::WaitForSingleObject(m_hProcess.Get(), milliseconds)) {
        case WAIT_OBJECT_0:
            return WaitOutcome::kEnded;
        case WAIT_FAILED:
            error = ::GetLastError();
            return WaitOutcome::kFailed;
        default:
            return WaitOutcome::kTimedOut;
        }
    }
    bool WaitForExitWithoutTimeout(std::uint32_t& error) override
    {
        if (::WaitForSingleObject(m_hProcess.Get(), INFINITE) == WAIT_OBJECT_0)
            return true;
        error = ::GetLastError();
        return false;
    }
    bool GetExitCode(std::uint32_t& exitCode, std::uint32_t& error) override
    {
        DWORD code = 0;
        if (!::GetExitCodeProcess(m_hProcess.Get(), &code)) {
            error = ::GetLastError();
            return false;
        }
        exitCode = code;
        return true;
    }

private:
    UniqueHandle m_hProcess;
    UniqueHandle m_hThread;
    DWORD m_dwProcessId;
};

}  // namespace

void Win32ProcessLauncher::ChangeDirectory(const std::wstring& folder)
{
    // The runtime's routine also sets the drive's "=C:" variable, which
    // the child inherits with the environment.
    ::_wchdir(folder.c_str());
}

std::unique_ptr<ChildProcess> Win32ProcessLauncher::Start(const std::wstring& commandLine)
{
    // CreateProcessW may write into its command line, so it gets a copy.
    std::wstring writable = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return nullptr;
    return std::make_unique<Win32ChildProcess>(info);
}
