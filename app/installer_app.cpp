#include "app/installer_app.h"

#include "app/diagnostic_log.h"
#include "app/format.h"
#include "app/phase_marks.h"
#include "app/text.h"
#include "checks/administrator.h"
#include "checks/disk_space.h"
#include "checks/net_framework.h"
#include "checks/windows_installer.h"
#include "trust/signer_information.h"
#include "trust/verify_file_signature.h"
#include "ui/report_result.h"

std::uint32_t ExitCodeOf(std::int32_t runResult, std::uint32_t installerExitCode)
{
    return runResult != 0 ? static_cast<std::uint32_t>(runResult) : installerExitCode;
}

bool NeedsReport(std::int32_t runResult, std::uint32_t installerExitCode)
{
    return (runResult != 0 && runResult != 1) || installerExitCode != 0;
}

CVelloxInstallerApp::CVelloxInstallerApp(AppServices services, std::uintptr_t moduleHandle,
                                         std::vector<std::wstring> arguments, std::wstring rawCommandLine)
    : m_services(services), m_hInstance(moduleHandle), m_arguments(std::move(arguments)),
      m_lpCmdLine(std::move(rawCommandLine))
{
}

bool CVelloxInstallerApp::InitInstance()
{
    m_nPromptDepth = 0;
    m_services.dialogs.InitializeUserInterface();
    MarkPhase("interface");

    std::int32_t result = ParseParameters();
    MarkPhase("command-line");
    if (result == Status::kOk) {
        LogMessage("Started %ld\n", m_services.clock.GetTickCount());
        result = VerifyOwnSignature();
        MarkPhase("signature");
    }
    if (result == Status::kOk) {
        m_strProgramName =
            LogSignerInformation(m_services.strings, m_services.ownModule, m_services.signerReader);
        MarkPhase("signer");
        result = RunChecks();
        MarkPhase("checks");
    }
    if (result == Status::kOk)
        result = StartWorkerAndWait();

    m_nRunResult = result;
    if (NeedsReport(result, m_nInstallerExitCode))
        ReportResult(result);
    return false;
}

std::int32_t CVelloxInstallerApp::VerifyOwnSignature()
{
    std::wstring description;
    if (VerifyOwnFileSignature(m_services.trustVerifier, m_services.ownModule.GetOwnModulePath(), description) == 0)
        return Status::kOk;
    if (m_bSilent) {
        LogText("Not signed correctly so failing now!\n");
        return Status::kNoSignature;
    }
    LogText("Not signed correctly\n");
    const std::wstring product = m_services.strings.Load(StringId::kProductName);
    const std::wstring heading = Format(m_services.strings.Load(StringId::kVerifyQuestion), product);
    if (m_services.dialogs.AskQuestion(description, heading) != Dialogs::kOk) {
        m_bQuestionDeclined = true;
        return Status::kNoSignature;
    }
    // Closing the question (the main window) left a quit request behind;
    // it must not end the dialogs still to come.
    m_services.threads.DispatchPendingMessages();
    return Status::kOk;
}

std::int32_t CVelloxInstallerApp::RunChecks()
{
    if (IsAdminCheckEnabled(m_services.strings) && !IsUserAdministrator(m_services.machine))
        return Status::kNotAdministrator;
    if (!CheckNetFramework(m_services.strings, m_services.registry, m_requiredNet))
        return Status::kFrameworkMissing;
    if (!CheckWindowsInstaller(m_services.machine, m_services.paths))
        return Status::kInstallerTooOld;
    if (!CheckFreeDiskSpace(m_services.strings, m_services.machine, m_strTempFolder, m_diskSpace))
        return Status::kDiskFull;
    return Status::kOk;
}

std::int32_t CVelloxInstallerApp::StartWorkerAndWait()
{
    Threads& threads = m_services.threads;
    std::uint32_t error = 0;
    // Without both events and the worker the wait below could never end, so
    // each failure stops the run before the splash appears.
    m_hWorkerDoneEvent = threads.CreateManualResetEvent(error);
    if (!m_hWorkerDoneEvent) {
        LogMessage("Failed to create the worker done event %ld\n", error);
        return Status::FromPlatformErrorAsHResult(error);
    }
    m_hInstallerShownEvent = threads.CreateManualResetEvent(error);
    if (!m_hInstallerShownEvent) {
        LogMessage("Failed to create the installer shown event %ld\n", error);
        return Status::FromPlatformErrorAsHResult(error);
    }
    // The worker parses the command line again, rewriting the option fields
    // while this thread runs on: what this thread needs of them is taken now.
    const bool showSplash = !m_bSilent;
    if (!threads.StartWorker([this] { WorkerThreadProc(); }, error)) {
        LogMessage("Failed to start the worker thread %ld\n", error);
        return Status::FromPlatformErrorAsHResult(error);
    }
    // From here until the done event the worker alone writes the log.
    std::unique_ptr<Splash> splash = m_services.dialogs.CreateSplash();
    if (showSplash && m_nPromptDepth == 0)
        splash->Show();
    Event* const events[] = {m_hInstallerShownEvent.get(), m_hWorkerDoneEvent.get()};
    const std::int32_t waited = WaitForWorker(events, splash.get());
    splash.reset();
    return waited != Status::kOk ? waited : m_nRunResult;
}

void CVelloxInstallerApp::ReportResult(std::int32_t result)
{
    ReportFacts facts;
    facts.runResult = result;
    facts.installerExitCode = m_nInstallerExitCode;
    facts.rawCommandLine = m_lpCmdLine;
    facts.requiredNet = m_requiredNet.name;
    facts.requiredNetMajor = m_requiredNet.major;
    facts.requiredNetSp = m_requiredNet.servicePack;
    facts.drive = m_diskSpace.drive;
    facts.requiredMb = m_diskSpace.requiredMb;
    // A declined question is not followed by a second dialog: the user has
    // just answered.
    ::ReportResult(facts, m_services.strings, m_services.dialogs, !m_bSilent && !m_bQuestionDeclined);
}

std::uint32_t CVelloxInstallerApp::ExitInstance()
{
    const std::uint32_t exitCode = ExitCodeOf(m_nRunResult, m_nInstallerExitCode);
    LogMessage("Ended %ld\n", m_services.clock.GetTickCount());
    CloseLog();
    return exitCode;
}
