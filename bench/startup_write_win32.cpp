// The second memory baseline: the platform calls every bootstrapper run makes
// around the same writes as raw_write, and none of the bootstrapper's own
// code. Common controls and COM on the main thread, the signature check of
// the file, the writes on a worker thread with COM, and the file's own splash
// dialog created beside a message-pumping wait: hidden, as in a silent run,
// or shown with --shown. What the bootstrapper needs beyond this program is
// its own; what this program needs beyond raw_write is the platform's.
//
//   startup_write [--shown] <signed bootstrapper.exe> <folder>
#include "payload_writes_win32.h"
#include "ui/resource.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct WorkerInput {
    HMODULE module;
    std::wstring folder;
    bool ok = false;
};

// The request the bootstrapper makes for its own file; the result does not
// matter here, only what the check loads and touches.
void VerifySignature(const wchar_t* path)
{
    const HMODULE wintrust = ::LoadLibraryExW(L"wintrust.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const auto verify = wintrust ? reinterpret_cast<decltype(&::WinVerifyTrust)>(
                                       reinterpret_cast<void*>(::GetProcAddress(wintrust, "WinVerifyTrust")))
                                 : nullptr;
    if (verify) {
        WINTRUST_FILE_INFO file = {};
        file.cbStruct = sizeof(file);
        file.pcwszFilePath = path;
        WINTRUST_DATA data = {};
        data.cbStruct = sizeof(data);
        data.dwUIChoice = WTD_UI_NONE;
        data.fdwRevocationChecks = WTD_REVOKE_NONE;
        data.dwUnionChoice = WTD_CHOICE_FILE;
        data.pFile = &file;
        data.dwProvFlags = WTD_SAFER_FLAG;
        GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
        verify(nullptr, &action, &data);
    }
    if (wintrust)
        ::FreeLibrary(wintrust);
}

DWORD WINAPI WriteOnWorker(void* parameter)
{
    WorkerInput& input = *static_cast<WorkerInput*>(parameter);
    const HRESULT com = ::CoInitialize(nullptr);
    input.ok = WritePayloadResources(input.module, input.folder);
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return 0;
}

INT_PTR CALLBACK SplashProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const bool shown = argc == 4 && std::wcscmp(argv[1], L"--shown") == 0;
    if (argc != 3 && !shown) {
        std::fprintf(stderr, "usage: startup_write [--shown] <signed bootstrapper.exe> <folder>\n");
        return 2;
    }
    const wchar_t* const path = argv[argc - 2];

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);
    const HRESULT com = ::CoInitialize(nullptr);
    VerifySignature(path);

    // Mapped as an image, as the loader maps the bootstrapper itself; the
    // splash comes from the same file, with its bitmap.
    const HMODULE module = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        std::fprintf(stderr, "cannot load %ls: %lu\n", path, ::GetLastError());
        return 1;
    }
    WorkerInput input{module, argv[argc - 1]};
    const HANDLE worker = ::CreateThread(nullptr, 0, WriteOnWorker, &input, 0, nullptr);
    if (!worker)
        return 1;
    const HWND splash = ::CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_SPLASH), nullptr, SplashProc, 0);
    if (!splash)
        std::fprintf(stderr, "no splash dialog in %ls: %lu\n", path, ::GetLastError());
    if (splash && shown)
        ::ShowWindow(splash, SW_SHOW);
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (::MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0)
            break;
    }
    ::CloseHandle(worker);
    if (splash)
        ::DestroyWindow(splash);
    ::FreeLibrary(module);
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return input.ok && splash ? 0 : 1;
}
