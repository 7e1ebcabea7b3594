#include "trust/own_module_win32.h"

#include <windows.h>

std::wstring Win32OwnModule::GetOwnModulePath() const
{
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::wstring(buffer, length < MAX_PATH ? length : MAX_PATH);
}
