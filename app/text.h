// Small text helpers shared by the core.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Case-insensitive comparison as the C runtime's _wcsicmp in the "C" locale:
// only A-Z and a-z are folded.
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix);

// The text as UTF-16 code units, whatever the width of wchar_t here.
std::u16string ToUtf16(std::wstring_view text);

// Decimal text converted as the Windows runtime's wcstol with base 10:
// leading white space, an optional sign, then digits up to the first
// non-digit; no digits gives 0; values beyond 32 bits (long on Windows)
// clamp to its limits.
std::int32_t ParseLong(std::wstring_view text);

// The Windows HRESULT for a Win32 error code (HRESULT_FROM_WIN32).
std::uint32_t HResultFromWin32(std::uint32_t error);
