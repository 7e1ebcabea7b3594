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

// One argument of a format, kept in 16 bytes on 32-bit builds (a tag and
// either the number or the text): every logged line builds an array of
// these, so their size is code at every call.
class FormatArg {
public:
    enum class Kind : unsigned char { Integer, String, Pointer };

    template <typename T>
        requires std::is_integral_v<T>
    FormatArg(T value) : m_nValue(static_cast<std::int64_t>(value)), m_tag(Tag::Integer) {}
    template <typename T>
        requires std::is_enum_v<T>
    FormatArg(T value) : FormatArg(static_cast<std::underlying_type_t<T>>(value)) {}
    FormatArg(std::wstring_view text) : m_text{text.data(), text.size()}, m_tag(Tag::String) {}
    FormatArg(const std::wstring& text) : FormatArg(std::wstring_view(text)) {}
    // A null wide string prints "(null)", as the Windows runtime does.
    FormatArg(const wchar_t* text)
        : m_text{text, text ? std::char_traits<wchar_t>::length(text) : 0},
          m_tag(text ? Tag::String : Tag::NullText) {}
    FormatArg(const void* pointer)
        : m_nValue(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(pointer))), m_tag(Tag::Pointer) {}

    Kind GetKind() const
    {
        return m_tag == Tag::Integer ? Kind::Integer : m_tag == Tag::Pointer ? Kind::Pointer : Kind::String;
    }
    // Integers are kept sign-extended (or zero-extended for unsigned sources);
    // 0 for a text.
    std::int64_t GetValue() const { return GetKind() == Kind::String ? 0 : m_nValue; }
    std::wstring_view GetText() const
    {
        return m_tag == Tag::String ? std::wstring_view(m_text.pText, m_text.nLength) : std::wstring_view();
    }
    bool IsNullText() const { return m_tag == Tag::NullText; }

private:
    enum class Tag : unsigned char { Integer, String, NullText, Pointer };
    struct Text {
        const wchar_t* pText;
        std::size_t nLength;
    };

    union {
        std::int64_t m_nValue;
        Text m_text;
    };
    Tag m_tag;
};

std::wstring FormatArgs(std::wstring_view format, std::span<const FormatArg> args);
// The same for a format written in the source as an ASCII literal (half the
// bytes).
std::wstring FormatArgs(AsciiLiteral format, std::span<const FormatArg> args);

template <typename... Args>
std::wstring Format(std::wstring_view format, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        return FormatArgs(format, {});
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        return FormatArgs(format, list);
    }
}

template <typename... Args>
std::wstring Format(AsciiLiteral format, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        return FormatArgs(format, {});
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        return FormatArgs(format, list);
    }
}
