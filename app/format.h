// Wide printf-style formatting with the Windows runtime's conventions, made
// type-safe and identical on every platform we build for.
//
// Supported: flags - 0 + blank #, a decimal width, a precision, the length
// modifiers h l ll L I I32 I64 w, and the conversions d i u x X o c s p %.
// As in the Windows runtime, %s takes a wide string and %d/%ld/%x take
// 32 bits (long is 32 bits there); %I64d/%lld take 64 bits.
// %p prints the pointer as upper-case hex, zero-padded to the pointer's width.
// A conversion without a matching argument, or with an argument of the wrong
// kind (a number for %s, a string for %d), produces no text.
#pragma once

#include "app/ascii_literal.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

class FormatArg {
public:
    enum class Kind { Integer, String, Pointer };

    template <typename T>
        requires std::is_integral_v<T>
    FormatArg(T value) : m_kind(Kind::Integer), m_nValue(static_cast<std::int64_t>(value)) {}
    template <typename T>
        requires std::is_enum_v<T>
    FormatArg(T value) : FormatArg(static_cast<std::underlying_type_t<T>>(value)) {}
    FormatArg(std::wstring_view text) : m_kind(Kind::String), m_strText(text) {}
    FormatArg(const std::wstring& text) : m_kind(Kind::String), m_strText(text) {}
    // A null wide string prints "(null)", as the Windows runtime does.
    FormatArg(const wchar_t* text)
        : m_kind(Kind::String), m_strText(text ? std::wstring_view(text) : std::wstring_view()),
          m_bNullText(text == nullptr) {}
    FormatArg(const void* pointer)
        : m_kind(Kind::Pointer), m_nValue(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(pointer))) {}

    Kind GetKind() const { return m_kind; }
    // Integers are kept sign-extended (or zero-extended for unsigned sources).
    std::int64_t GetValue() const { return m_nValue; }
    std::wstring_view GetText() const { return m_strText; }
    bool IsNullText() const { return m_bNullText; }

private:
    Kind m_kind;
    std::int64_t m_nValue = 0;
    std::wstring_view m_strText;
    bool m_bNullText = false;
};

std::wstring FormatArgs(std::wstring_view format, std::span<const FormatArg> args);

template <typename... Args>
std::wstring Format(std::wstring_view format, const Args&... args)
{
    const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
    return FormatArgs(format, std::span<const FormatArg>(list, sizeof...(Args)));
}

// A format written in the source as an ASCII literal (half the bytes).
template <typename... Args>
std::wstring Format(AsciiLiteral format, const Args&... args)
{
    return Format(std::wstring_view(format.Widen()), args...);
}
