#include "trust/trust_verifier_win32.h"

#include "app/win32_handles.h"

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstddef>

namespace {

// The request names the structures' original sizes, without the members
// later versions appended; on the shipped 32-bit build they are 16 and 48.
constexpr DWORD kFileInfoSize = sizeof(WINTRUST_FILE_INFO);
constexpr DWORD kTrustDataSize = offsetof(WINTRUST_DATA, dwUIContext) + sizeof(DWORD);
#if defined(__i386__)
static_assert(kFileInfoSize == 16, "WINTRUST_FILE_INFO must be 16 bytes on i686");
static_assert(kTrustDataSize == 48, "WINTRUST_DATA must be 48 bytes on i686");
#endif

constexpr DWORD kProviderUnknown = 0x800B0001;  // TRUST_E_PROVIDER_UNKNOWN

}  // namespace

TrustOutcome Win32TrustVerifier::VerifyFile(const std::wstring& path)
{
    // Not a load-time import: the executable runs elevated from a download
    // folder, where a planted wintrust.dll must never be picked up.
    const UniqueModule wintrust = LoadSystemLibrary(L"wintrust.dll");
    const auto winVerifyTrust = wintrust ? reinterpret_cast<decltype(&::WinVerifyTrust)>(reinterpret_cast<void*>(
                                               ::GetProcAddress(wintrust.Get(), "WinVerifyTrust")))
                                         : nullptr;
    if (!winVerifyTrust)
        return TrustOutcome{kProviderUnknown, ::GetLastError()};

    WINTRUST_FILE_INFO file = {};
    file.cbStruct = kFileInfoSize;
    file.pcwszFilePath = path.c_str();

    WINTRUST_DATA data = {};
    data.cbStruct = kTrustDataSize;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = 0;  // no state kept, so no closing call
    data.dwProvFlags = WTD_SAFER_FLAG;
    data.dwUIContext = 0;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = winVerifyTrust(nullptr, &action, &data);
    const DWORD lastError = ::GetLastError();
    return TrustOutcome{static_cast<std::uint32_t>(status), static_cast<std::uint32_t>(lastError)};
}
