// Conversion between the program's wide text and the thread's ANSI code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class CodePage {
public:
    virtual ~CodePage() = default;
    // As WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, ...): a
    // character without its own byte sequence in the code page becomes the
    // default character ('?'), never a lookalike. Best fit would turn, say,
    // the fullwidth reverse solidus into "\" and so change what a path names.
    virtual std::string ToAnsi(std::wstring_view text) const = 0;
    // As MultiByteToWideChar(CP_THREAD_ACP, 0, ...).
    virtual std::wstring FromAnsi(std::string_view text) const = 0;

    // ToAnsi when every character converts to itself (it reads back as the
    // same text); nullopt when one became the default character. For names
    // that are opened: a '?' put in by the conversion can still mean
    // something to the platform ("\\?\" is the Win32 namespace prefix).
    std::optional<std::string> ToAnsiExactly(std::wstring_view text) const
    {
        std::string ansi = ToAnsi(text);
        if (FromAnsi(ansi) != text)
            return std::nullopt;
        return ansi;
    }
};
