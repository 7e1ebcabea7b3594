#include "app/clock_win32.h"

#include <windows.h>

std::uint32_t Win32Clock::GetTickCount() const
{
    return ::GetTickCount();
}
