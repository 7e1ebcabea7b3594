// The application object: the run's shared state and the fixed order of the
// start-up steps, the worker's run and the exit code.
//
// Everything here is portable; the platform reaches it only through the
// services handed to the constructor.
#pragma once

#include "app/clock.h"
#include "app/code_page.h"
#include "app/status.h"
#include "app/string_table.h"
#include "app/system_paths.h"
#include "app/threads.h"
#include "launch/process_launcher.h"
#include "launch/processor_mode.h"
#include "launch/window_iterator.h"
#include "checks/disk_space.h"
#include "checks/machine_facts.h"
#include "checks/net_framework.h"
#include "checks/registry.h"
#include "payload/file_system.h"
#include "payload/resource.h"
#include "payload/resource_store.h"
#include "trust/own_module.h"
#include "trust/signer_reader.h"
#include "trust/trust_verifier.h"
#include "ui/dialogs.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The platform services the run is made of. All must outlive the app.
struct AppServices {
    Clock& clock;
    const CodePage& codePage;
    StringTable& strings;
    SystemPaths& paths;
    Threads& threads;
    Dialogs& dialogs;
    OwnModule& ownModule;
    const Registry& registry;
    const MachineFacts& machine;
    ResourceStore& resources;
    FileSystem& fileSystem;
    TrustVerifier& trustVerifier;
    SignerReader& signerReader;
    ProcessLauncher& launcher;
    WindowSystem& windows;
    Wow64& wow64;
};

// The process exit code: the run result when it is not 0, else the
// installer's exit code.
std::uint32_t ExitCodeOf(std::int32_t runResult, std::uint32_t installerExitCode);
// A run is reported unless it succeeded (result 0 or 1) with installer code 0.
bool NeedsReport(std::int32_t runResult, std::uint32_t installerExitCode);

class CVelloxInstallerApp {
public:
    // moduleHandle: the executable's instance handle as a number (0 means
    // none); arguments: the process's arguments without the program name;
    // rawCommandLine: the command line's text after the program name.
    CVelloxInstallerApp(AppServices services, std::uintptr_t moduleHandle, std::vector<std::wstring> arguments,
                        std::wstring rawCommandLine);

    // The whole run on the main thread. Always false: there is no message
    // loop of the application's own after it.
    bool InitInstance();
    // Logs the end, closes the log and gives the process exit code: the run
    // result when it is not 0, else the installer's exit code.
    std::uint32_t ExitInstance();

    // Reads the arguments into the option fields, chooses the base folder,
    // builds the forwarded command line and opens the log when asked.
    // 0 or 0x80030057. Gives the same fields every time it runs.
    std::int32_t ParseParameters();

    // The worker's whole job; result 0 or a failure code.
    std::int32_t RunEmbeddedResource(std::uint32_t* installerExitCode);
    void WorkerThreadProc();

    // The temporary-folder prompt (worker thread). 0 with folder set to the
    // full path of the user's answer (resolved as the temp option is), else
    // E_FAIL: silent, cancelled, a blank answer or one too long.
    std::int32_t AskTempFolder(std::wstring& folder);
    // Worker: changes the prompt count by step, wakes the main thread and
    // waits (a few seconds at most) until it has moved the splash for it.
    void ChangePromptDepth(std::int32_t step);

    // Main thread: pumps messages and sleeps until the worker is done, ending
    // the splash when the installer shows a window and hiding it while the
    // worker's prompt is open. events: installer shown, then worker done.
    // 0, or the platform's error when the wait fails (the worker may still
    // run then).
    std::int32_t WaitForWorker(std::span<Event* const> events, Splash* splash);

    // Logs the message for the run result and the stored facts and shows it
    // unless the run is silent or the user has just declined the question.
    void ReportResult(std::int32_t result);

    AppServices& GetServices() { return m_services; }
    const std::wstring& GetRawCommandLine() const { return m_lpCmdLine; }
    std::uintptr_t GetInstanceHandle() const { return m_hInstance; }

    std::int32_t m_nRunResult = 0;
    std::uint32_t m_nInstallerExitCode = 0;
    std::atomic<std::int32_t> m_nPromptDepth = 0;
    // The prompt depth the main thread last acted on (the splash hidden or
    // shown for it); the worker waits for it before it goes on.
    std::atomic<std::int32_t> m_nSplashPromptDepth = 0;
    std::unique_ptr<Event> m_hWorkerDoneEvent;
    std::unique_ptr<Event> m_hInstallerShownEvent;
    bool m_bZeroGuid = false;
    bool m_bRemoveTempFolder = true;
    bool m_bRunInstaller = true;
    bool m_bSilent = false;
    // The user declined the signature question: the report that follows is
    // logged but not shown again, since the user has just answered.
    bool m_bQuestionDeclined = false;
    std::wstring m_strProgramName;
    std::wstring m_strTempFolder;
    std::wstring m_strForwardedCommandLine;
    // Check results, for the report.
    DiskSpaceCheck m_diskSpace;
    FrameworkRequirement m_requiredNet;
    // The payload's resources: filled by the extraction, walked again by the
    // removal of the temporary folder.
    CResourceList m_resources;

private:
    std::int32_t VerifyOwnSignature();
    std::int32_t RunChecks();
    std::int32_t StartWorkerAndWait();
    std::wstring DefaultBaseFolder() const;
    std::int32_t ResolvePathOption(class CCommandLineInfoEx& info, std::wstring_view name,
                                   std::wstring& fullPath) const;

    AppServices m_services;
    std::uintptr_t m_hInstance;
    std::vector<std::wstring> m_arguments;
    std::wstring m_lpCmdLine;
};
