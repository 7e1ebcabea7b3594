// Conversion between the program's wide text and the thread's ANSI code page.
#pragma once

#include <string>
#include <string_view>

class CodePage {
public:
    virtual ~CodePage() = default;
    // As WideCharToMultiByte(CP_THREAD_ACP, 0, ...): characters the code page
    // lacks become its default character.
    virtual std::string ToAnsi(std::wstring_view text) const = 0;
    // As MultiByteToWideChar(CP_THREAD_ACP, 0, ...).
    virtual std::wstring FromAnsi(std::string_view text) const = 0;
};
