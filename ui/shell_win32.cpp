#include "ui/shell_win32.h"

#include <windows.h>
#include <shellapi.h>

std::intptr_t Win32Shell::Open(const std::wstring& target)
{
    return reinterpret_cast<std::intptr_t>(
        ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}
