// Process entry: locks down DLL loading, wires the Windows services to the
// portable application object and runs it.
#include "app/clock_win32.h"
#include "app/code_page_win32.h"
#include "app/diagnostic_log.h"
#include "app/installer_app.h"
#include "app/system_paths_win32.h"
#include "app/threads_win32.h"
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

#include <stdlib.h>

namespace {

// The executable runs elevated from wherever it was downloaded: a DLL planted
// beside it must never load. Looked up at run time because systems without
// the update that added the call must still start.
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

std::vector<std::wstring> ProcessArguments()
{
    std::vector<std::wstring> arguments;
    for (int i = 1; i < __argc && __wargv; ++i)
        arguments.emplace_back(__wargv[i]);
    return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
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
    Win32Registry registry;
    Win32MachineFacts machine;
    Win32ResourceStore resources;
    Win32FileSystem fileSystem;
    Win32TrustVerifier trustVerifier;
    Win32SignerReader signerReader;

    CVelloxInstallerApp app(AppServices{clock, codePage, strings, paths, threads, dialogs, ownModule, registry, machine,
                                        resources, fileSystem, trustVerifier, signerReader},
                            reinterpret_cast<std::uintptr_t>(instance), ProcessArguments(),
                            commandLine ? commandLine : L"");
    app.InitInstance();
    const std::uint32_t exitCode = app.ExitInstance();
    g_log.Attach(nullptr, nullptr);
    return static_cast<int>(exitCode);
}
