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

// Hands each UTF-16 code unit of the text to visit, whatever the width of
// wchar_t here, without building the converted text.
template <typename Visit>
void ForEachUtf16Unit(std::wstring_view text, Visit visit)
{
    for (const wchar_t c : text) {
        const auto code = static_cast<std::uint32_t>(c);
        if (code > 0xFFFF && code <= 0x10FFFF) {
            visit(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            visit(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            visit(static_cast<char16_t>(code));
        }
    }
}

// The upper-case hexadecimal digit of the low four bits of value.
inline wchar_t UpperHexDigit(unsigned value)
{
    value &= 0xF;
    return static_cast<wchar_t>(value < 10 ? L'0' + value : L'A' + (value - 10));
}

// The text as UTF-16 code units, whatever the width of wchar_t here.
std::u16string ToUtf16(std::wstring_view text);

// Decimal text converted as the Windows runtime's wcstol with base 10:
// leading white space, an optional sign, then digits up to the first
// non-digit; no digits gives 0; values beyond 32 bits (long on Windows)
// clamp to its limits.
std::int32_t ParseLong(std::wstring_view text);

// The Windows HRESULT for a Win32 error code (HRESULT_FROM_WIN32).
std::uint32_t HResultFromWin32(std::uint32_t error);
