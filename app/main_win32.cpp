// Locks down DLL loading, wires the Windows services to the portable
// application object and runs it (called by the entry point in
// app/entry_win32.cpp).
#include "app/clock_win32.h"
#include "app/code_page_win32.h"
#include "app/diagnostic_log.h"
#include "app/entry_win32.h"
#include "app/installer_app.h"
#include "app/phase_marks.h"
#include "app/system_paths_win32.h"
#include "app/threads_win32.h"
#include "launch/process_launcher_win32.h"
#include "launch/window_system_win32.h"
#include "launch/wow64_api_win32.h"
#include "checks/machine_facts_win32.h"
#include "checks/registry_win32.h"
#include "payload/file_system_win32.h"
#include "payload/resource_store_win32.h"
#include "trust/own_module_win32.h"
#include "trust/signer_reader_win32.h"
#include "trust/trust_verifier_win32.h"
#include "ui/dialogs_win32.h"
#include "ui/string_table_win32.h"

#include <windows.h>

namespace {

// The executable runs elevated from wherever it was downloaded: a DLL planted
// beside it must never load. Looked up at run time because systems without
// the update that added the call must still start; there LoadSystemLibrary
// names the system folder's file by its full path instead.
void RestrictDllSearchToSystemFolder()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (!kernel)
        return;
    const auto setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDirectories)
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int RunBootstrapper(HINSTANCE instance, std::vector<std::wstring> arguments, const wchar_t* commandLine)
{
    MarkPhase("entry");
    RestrictDllSearchToSystemFolder();

    Win32Clock clock;
    ThreadCodePage codePage;
    StdioLogFiles logFiles;
    g_log.Attach(&codePage, &logFiles);
    Win32StringTable strings(instance);
    Win32SystemPaths paths;
    Win32Threads threads;
    Win32Dialogs dialogs(instance, strings);
    Win32OwnModule ownModule;
    Win32ProcessLauncher launcher;
    Win32WindowSystem windows;
    Win32Wow64Api wow64Api;
    Wow64 wow64(wow64Api);

    Win32Registry registry;
    Win32MachineFacts machine;
    Win32ResourceStore resources;
    Win32FileSystem fileSystem;
    Win32TrustVerifier trustVerifier;
    Win32SignerReader signerReader;

    CVelloxInstallerApp app(AppServices{clock, codePage, strings, paths, threads, dialogs, ownModule, registry, machine,
                                        resources, fileSystem, trustVerifier, signerReader, launcher, windows, wow64},
                            reinterpret_cast<std::uintptr_t>(instance), std::move(arguments), commandLine);
    app.InitInstance();
    const std::uint32_t exitCode = app.ExitInstance();
    g_log.Attach(nullptr, nullptr);
    return static_cast<int>(exitCode);
}
