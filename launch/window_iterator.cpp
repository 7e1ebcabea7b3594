#include "launch/window_iterator.h"

CWindowIterator::CWindowIterator(WindowSystem& windows, std::uint32_t capacity)
    : m_windows(windows), m_phWnds(std::make_unique<WindowHandle[]>(capacity)), m_nCapacity(capacity)
{
}

WindowHandle CWindowIterator::FirstWindow()
{
    m_nCount = 0;
    m_windows.EnumerateTopLevelWindows([this](WindowHandle window) { return CollectWindow(window); });
    m_nCurrent = 0;
    return NextWindow();
}

WindowHandle CWindowIterator::NextWindow()
{
    return m_nCurrent < m_nCount ? m_phWnds[m_nCurrent++] : 0;
}

bool CWindowIterator::CollectWindow(WindowHandle window)
{
    if (m_nCount < m_nCapacity && AcceptWindow(window))
        m_phWnds[m_nCount++] = window;
    return true;  // always enumerate to the end
}

bool CWindowIterator::AcceptWindow(WindowHandle)
{
    return true;
}

CMainWindowIterator::CMainWindowIterator(WindowSystem& windows, std::uint32_t processId, bool visibleOnly,
                                         std::uint32_t capacity)
    : CWindowIterator(windows, capacity), m_dwProcessId(processId), m_bVisibleOnly(visibleOnly)
{
}

bool CMainWindowIterator::AcceptWindow(WindowHandle window)
{
    const bool visible = !m_bVisibleOnly || (m_windows.GetStyle(window) & WindowSystem::kVisibleStyle) != 0;
    return visible && m_windows.GetOwnerProcessId(window) == m_dwProcessId;
}

bool HasVisibleMainWindow(WindowSystem& windows, std::uint32_t processId)
{
    constexpr std::uint32_t kCapacity = 1024;
    CMainWindowIterator iterator(windows, processId, true, kCapacity);
    return iterator.FirstWindow() != 0;
}
