#include "app/diagnostic_log.h"
#include "app/installer_app.h"
#include "app/phase_marks.h"
#include "launch/run_program.h"
#include "payload/embedded_information.h"
#include "payload/extract_payload.h"
#include "payload/temp_folder.h"

void CVelloxInstallerApp::WorkerThreadProc()
{
    m_nRunResult = RunEmbeddedResource(&m_nInstallerExitCode);
    // The result is stored before the event: the main thread reads it only
    // after seeing the event, and logs nothing before that.
    m_hWorkerDoneEvent->Set();
}

std::int32_t CVelloxInstallerApp::RunEmbeddedResource(std::uint32_t* installerExitCode)
{
    MarkPhase("worker-start");
    LogText("Run Embedded Resources \n");
    *installerExitCode = 0;

    std::int32_t result = ParseParameters();
    if (result != Status::kOk) {
        LogText("Failed to parse parameters\n");
        return result;
    }
    if (m_hInstance == 0) {
        LogText("RunEmbeddedResource hLibrary is not set\n");
        return Status::kOk;
    }

    result = SetTempFolder(m_services.fileSystem, m_strTempFolder);
    if (result != Status::kOk) {
        result = AskTempFolder(m_strTempFolder);
        if (result == Status::kOk)
            result = SetTempFolder(m_services.fileSystem, m_strTempFolder);
    }
    if (result != Status::kOk)
        return result;  // nothing was extracted, so nothing is removed

    if (m_bZeroGuid)
        UseZeroGuid();
    // A folder that cannot be made new (its name taken, by a planted folder
    // or another run's) ends the run: nothing there is the run's to remove.
    if (GetTempFolder(m_services.fileSystem).empty())
        return Status::kFail;
    MarkPhase("folder");
    // Its result does not matter.
    WriteEmbeddedInformation(m_services.fileSystem, m_services.codePage, m_services.ownModule.GetOwnModulePath());

    std::wstring runTarget;
    result = ExtractPayload({m_services.resources, m_services.fileSystem, m_services.codePage}, m_hInstance, m_resources,
                            runTarget);
    MarkPhase("extraction");
    if (m_bRunInstaller && result == Status::kOk) {
        // The installer is started by path: the path must still name the
        // folder the payload was written into.
        if (!IsTempFolderIntact(m_services.fileSystem))
            result = Status::kFail;
        else
            result = RunProgram(
                LaunchServices{m_services.strings, m_services.launcher, m_services.windows, m_services.wow64},
                GetTempFolder(m_services.fileSystem), runTarget, m_strForwardedCommandLine, installerExitCode,
                *m_hInstallerShownEvent);
    }

    LogMessage("Remove folder '%s'\n", m_bRemoveTempFolder ? L"Yes" : L"No");
    // A folder that was swapped for another is not removed, and that fails
    // the run even when everything before succeeded.
    if (m_bRemoveTempFolder && RemoveTempFolder(m_services.fileSystem, m_resources) != Status::kOk &&
        result == Status::kOk)
        result = Status::kFail;
    MarkPhase("removal");
    return result;
}

void CVelloxInstallerApp::ChangePromptDepth(std::int32_t step)
{
    // The main thread looks at the counter only when it wakes. The prompt is
    // made only once the splash has been hidden: made while the other thread
    // was still creating or hiding the splash, the dialog could fail to be
    // created at all (seen under Wine on a busy machine). Should the main
    // thread not answer, the prompt opens anyway after the last pause.
    constexpr int kPauses = 300;
    constexpr std::uint32_t kPauseMs = 10;
    const std::int32_t depth = m_nPromptDepth += step;
    m_services.threads.WakeMainThread();
    for (int i = 0; i < kPauses && m_nSplashPromptDepth != depth; ++i)
        m_services.threads.Pause(kPauseMs);
}

std::int32_t CVelloxInstallerApp::AskTempFolder(std::wstring& folder)
{
    if (m_bSilent) {
        LogText("Not Prompting the user as silent installation\n");
        return Status::kFail;
    }
    const std::wstring title = m_services.strings.Load(StringId::kProductName);
    // The main thread hides the splash while the prompt is open and shows
    // it again after.
    ChangePromptDepth(+1);
    const std::optional<std::wstring> accepted = m_services.dialogs.AskTempFolder(title, folder);
    ChangePromptDepth(-1);
    if (!accepted)
        return Status::kFail;
    // A blank answer would resolve to the current directory, which nobody
    // chose: it fails like an unusable base, without a further probe.
    if (accepted->find_first_not_of(L" \t") == std::wstring::npos) {
        LogText("AskTempFolder answer is empty\n");
        return Status::kFail;
    }
    // Resolved as the temp option is: taken as typed, a relative answer meant
    // one folder to the extraction and another to the installer's start and
    // the removal, once the current directory had moved.
    const std::optional<std::wstring> fullPath = m_services.paths.FullPath(*accepted);
    if (!fullPath) {
        LogMessage("AskTempFolder answer too long '%s'\n", *accepted);
        return Status::kFail;
    }
    folder = *fullPath;
    return Status::kOk;
}
