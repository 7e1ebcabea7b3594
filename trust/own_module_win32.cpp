#include "trust/own_module_win32.h"

#include <windows.h>

std::optional<std::wstring> Win32OwnModule::GetOwnModulePath() const
{
    return ReadWholePath([](wchar_t* buffer, std::uint32_t size) -> std::uint32_t {
        return ::GetModuleFileNameW(nullptr, buffer, size);
    });
}
