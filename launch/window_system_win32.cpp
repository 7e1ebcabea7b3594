#include "launch/window_system_win32.h"

#include <windows.h>

namespace {

BOOL CALLBACK VisitWindow(HWND window, LPARAM parameter)
{
    const auto& visit = *reinterpret_cast<const std::function<bool(WindowHandle)>*>(parameter);
    return visit(reinterpret_cast<WindowHandle>(window)) ? TRUE : FALSE;
}

HWND AsWindow(WindowHandle window)
{
    return reinterpret_cast<HWND>(window);
}

}  // namespace

void Win32WindowSystem::EnumerateTopLevelWindows(const std::function<bool(WindowHandle)>& visit)
{
    ::EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visit));
}

std::uint32_t Win32WindowSystem::GetStyle(WindowHandle window)
{
    return static_cast<std::uint32_t>(::GetWindowLongW(AsWindow(window), GWL_STYLE));
}

std::uint32_t Win32WindowSystem::GetOwnerProcessId(WindowHandle window)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(AsWindow(window), &processId);
    return processId;
}
