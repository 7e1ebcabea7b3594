// The platform floor of a bootstrapper run, for memory and for time: the
// platform calls every run makes around the same writes as raw_write, and
// none of the bootstrapper's own code. Common controls and COM on the main
// thread, the signature check of the file and the read of its signer, the
// machine checks' calls, the writes on a worker thread with COM (folder,
// files, removal), and the file's own splash dialog created beside a
// message-pumping wait: hidden, as in a silent run, or shown with --shown.
// What the bootstrapper needs beyond this program is its own; what this
// program needs beyond raw_write is the platform's. Built with phase marks,
// it marks the same steps as the bootstrapper does.
//
//   startup_write [--shown] <signed bootstrapper.exe> <folder>
#include "app/phase_marks.h"
#include "payload_writes_win32.h"
#include "ui/resource.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <softpub.h>
#include <sddl.h>
#include <wincrypt.h>
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

// The embedded signature opened and its signer's information read, with
// crypt32 loaded at that point as the bootstrapper loads it.
void ReadSigner(const wchar_t* path)
{
    const HMODULE crypt32 = ::LoadLibraryExW(L"crypt32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!crypt32)
        return;
    const auto query = reinterpret_cast<decltype(&::CryptQueryObject)>(
        reinterpret_cast<void*>(::GetProcAddress(crypt32, "CryptQueryObject")));
    const auto getParam = reinterpret_cast<decltype(&::CryptMsgGetParam)>(
        reinterpret_cast<void*>(::GetProcAddress(crypt32, "CryptMsgGetParam")));
    const auto closeMessage = reinterpret_cast<decltype(&::CryptMsgClose)>(
        reinterpret_cast<void*>(::GetProcAddress(crypt32, "CryptMsgClose")));
    const auto closeStore = reinterpret_cast<decltype(&::CertCloseStore)>(
        reinterpret_cast<void*>(::GetProcAddress(crypt32, "CertCloseStore")));
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    if (query && getParam && closeMessage && closeStore &&
        query(CERT_QUERY_OBJECT_FILE, path, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED, CERT_QUERY_FORMAT_FLAG_BINARY,
              0, nullptr, nullptr, nullptr, &store, &message, nullptr)) {
        DWORD size = 0;
        if (getParam(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size)) {
            std::string signer(size, '\0');
            getParam(message, CMSG_SIGNER_INFO_PARAM, 0, signer.data(), &size);
        }
        closeMessage(message);
        closeStore(store, 0);
    }
    ::FreeLibrary(crypt32);
}

// The calls of the machine checks: administrator membership, the framework's
// registry key, the free space where the folder goes.
void CheckMachine(const std::wstring& folder)
{
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                   &administrators)) {
        BOOL member = FALSE;
        ::CheckTokenMembership(nullptr, administrators, &member);
        ::FreeSid(administrators);
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full", 0,
                        KEY_READ, &key) == ERROR_SUCCESS)
        ::RegCloseKey(key);
    ULARGE_INTEGER available = {};
    ::GetDiskFreeSpaceExW(folder.substr(0, 3).c_str(), &available, nullptr, nullptr);  // its drive
}

// The folder as a bootstrapper makes it: the base probed with a file that
// deletes itself, a GUID for the name, and the folder created with an access
// list naming the token's owner.
void CreateFolderAsABootstrapperDoes(const std::wstring& folder)
{
    const std::wstring probe = folder + L".probe";
    const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
    GUID guid;
    wchar_t guidText[40];
    if (::CoCreateGuid(&guid) == S_OK)
        ::StringFromGUID2(guid, guidText, 40);
    std::wstring owner;
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        alignas(TOKEN_OWNER) unsigned char buffer[128];
        DWORD length = 0;
        wchar_t* sid = nullptr;
        if (::GetTokenInformation(token, TokenOwner, buffer, sizeof buffer, &length) &&
            ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_OWNER*>(buffer)->Owner, &sid)) {
            owner = sid;
            ::LocalFree(sid);
        }
        ::CloseHandle(token);
    }
    const std::wstring sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + owner + L")(A;OICI;0x1200a9;;;WD)";
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, FALSE};
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                           &attributes.lpSecurityDescriptor, nullptr);
    ::CreateDirectoryW(folder.c_str(), &attributes);
    ::LocalFree(attributes.lpSecurityDescriptor);
}

DWORD WINAPI WriteOnWorker(void* parameter)
{
    MarkPhase("worker-start");
    WorkerInput& input = *static_cast<WorkerInput*>(parameter);
    const HRESULT com = ::CoInitialize(nullptr);
    CreateFolderAsABootstrapperDoes(input.folder);
    MarkPhase("folder");
    std::vector<std::wstring> written;
    input.ok = WritePayloadFiles(input.module, input.folder, written);
    MarkPhase("extraction");
    RemovePayloadFolder(input.folder, written);
    MarkPhase("removal");
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
    // Mapped as an image, as the loader maps the bootstrapper itself before
    // its entry point runs (so the mapping counts before the entry mark in
    // both); the splash comes from the same file, with its bitmap.
    const HMODULE module = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        std::fprintf(stderr, "cannot load %ls: %lu\n", path, ::GetLastError());
        return 1;
    }
    MarkPhase("entry");

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);
    const HRESULT com = ::CoInitialize(nullptr);
    MarkPhase("interface");
    MarkPhase("command-line");  // no options and no log to open
    VerifySignature(path);
    MarkPhase("signature");
    ReadSigner(path);
    MarkPhase("signer");
    CheckMachine(argv[argc - 1]);
    MarkPhase("checks");

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
