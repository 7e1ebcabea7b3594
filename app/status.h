// Status values of the run: 0 for success, failures as HRESULTs or Win32
// error codes.
#pragma once

#include "app/text.h"

#include <cstdint>

namespace Status {
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);              // E_FAIL
inline constexpr std::int32_t kInvalidParameter = static_cast<std::int32_t>(0x80030057);  // STG_E_INVALIDPARAMETER
inline constexpr std::int32_t kNoSignature = static_cast<std::int32_t>(0x800B0100);       // TRUST_E_NOSIGNATURE
inline constexpr std::int32_t kNotAdministrator = static_cast<std::int32_t>(0x80110413);
inline constexpr std::int32_t kFrameworkMissing = static_cast<std::int32_t>(0x80110409);
inline constexpr std::int32_t kInstallerTooOld = 1613;  // ERROR_INSTALL_PACKAGE_VERSION
inline constexpr std::int32_t kDiskFull = static_cast<std::int32_t>(0x80030070);  // STG_E_MEDIUMFULL

// A failed call's platform error as a run result. A call may fail without
// setting its error; 0 would read as success, so E_FAIL stands in for it.
inline std::int32_t FromPlatformError(std::uint32_t error)
{
    return error != 0 ? static_cast<std::int32_t>(error) : kFail;
}
// The same, as an HRESULT (0x8007xxxx).
inline std::int32_t FromPlatformErrorAsHResult(std::uint32_t error)
{
    return error != 0 ? static_cast<std::int32_t>(HResultFromWin32(error)) : kFail;
}
}  // namespace Status
