#include "app/code_page_win32.h"

#include <windows.h>

std::string ThreadCodePage::ToAnsi(std::wstring_view text) const
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    // No best fit: a lookalike would change what a converted path names.
    constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;
    const int bytes = ::WideCharToMultiByte(CP_THREAD_ACP, kFlags, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_THREAD_ACP, kFlags, text.data(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::wstring ThreadCodePage::FromAnsi(std::string_view text) const
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0)
        ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), length, out.data(), units);
    return out;
}
