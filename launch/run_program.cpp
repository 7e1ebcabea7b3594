#include "launch/run_program.h"

#include "app/diagnostic_log.h"
#include "app/status.h"

std::int32_t RunProgram(const LaunchServices& services, const std::wstring& tempFolder, const std::wstring& runTarget,
                        const std::wstring& commandLine, std::uint32_t* exitCode, Event& installerShown)
{
    constexpr std::uint32_t kPollMilliseconds = 100;
    *exitCode = 0;
    std::int32_t status = 0;

    const std::wstring childCommandLine = L"\"" + runTarget + L"\" " + commandLine;
    LogMessage("RunProgram program '%s'\n", childCommandLine);

    // The installer inherits the folder it was extracted to as its current
    // directory.
    services.launcher.ChangeDirectory(tempFolder);

    ProcessorModeGuard guard(services.strings, services.wow64);
    if (!guard.SetProcessorMode()) {
        LogText("Run Program, Failed to set processor mode\n");
        guard.RestoreProcessorMode();
        return LaunchStatus::kWrongProcessorMode;
    }
    std::unique_ptr<ChildProcess> process = services.launcher.Start(childCommandLine);
    if (!process) {
        LogText("Run Program returned error\n");
        guard.RestoreProcessorMode();
        return LaunchStatus::kCreateProcessFailed;
    }
    // Redirection is off only for the creation itself.
    guard.RestoreProcessorMode();
    // The installer may write to the same log file while it runs.
    CloseLog();

    bool ended = false;
    bool failed = false;
    std::uint32_t error = 0;
    for (;;) {
        const ChildProcess::WaitOutcome outcome = process->WaitForExit(kPollMilliseconds, error);
        // A wait that fails returns at once and would fail again: polling on
        // would spin, and without a window never end.
        if (outcome == ChildProcess::WaitOutcome::kFailed) {
            failed = true;
            break;
        }
        ended = outcome == ChildProcess::WaitOutcome::kEnded;
        if (HasVisibleMainWindow(services.windows, process->GetProcessId())) {
            installerShown.Set();
            break;
        }
        if (ended)
            break;
    }
    std::uint32_t code = 0;
    // After a failed wait the installer may still run, and its exit code
    // would read as STILL_ACTIVE (259): the code is unknown, as when it
    // cannot be read.
    if (failed || (!ended && !process->WaitForExitWithoutTimeout(error)) || !process->GetExitCode(code, error)) {
        code = 0;
        status = Status::FromPlatformError(error);
    }
    *exitCode = code;
    process.reset();  // closes the process and thread handles

    ReopenLog();
    LogMessage("RunProgram returned %d\n", *exitCode);
    return status;
}
