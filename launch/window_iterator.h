// Collecting top-level windows, to see when the installer shows itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// Top-level windows as opaque numbers (0 is none).
using WindowHandle = std::uintptr_t;

class WindowSystem {
public:
    static constexpr std::uint32_t kVisibleStyle = 0x10000000;  // WS_VISIBLE

    virtual ~WindowSystem() = default;
    // EnumWindows: calls visit for every top-level window until it returns false.
    virtual void EnumerateTopLevelWindows(const std::function<bool(WindowHandle)>& visit) = 0;
    // GetWindowLongW(GWL_STYLE).
    virtual std::uint32_t GetStyle(WindowHandle window) = 0;
    // GetWindowThreadProcessId.
    virtual std::uint32_t GetOwnerProcessId(WindowHandle window) = 0;
};

// Collects up to capacity accepted windows in enumeration order.
class CWindowIterator {
public:
    CWindowIterator(WindowSystem& windows, std::uint32_t capacity);
    virtual ~CWindowIterator() = default;

    // Enumerates afresh and gives the first collected window, or 0.
    WindowHandle FirstWindow();
    // The next collected window, or 0 after the last.
    WindowHandle NextWindow();

protected:
    virtual bool CollectWindow(WindowHandle window);
    virtual bool AcceptWindow(WindowHandle window);

    WindowSystem& m_windows;

private:
    std::unique_ptr<WindowHandle[]> m_phWnds;
    std::uint32_t m_nCapacity;
    std::uint32_t m_nCount = 0;
    std::uint32_t m_nCurrent = 0;
};

// Windows of one process; with visibleOnly, only those with the WS_VISIBLE
// style bit (whether or not they can be seen on screen).
class CMainWindowIterator : public CWindowIterator {
public:
    CMainWindowIterator(WindowSystem& windows, std::uint32_t processId, bool visibleOnly, std::uint32_t capacity);

protected:
    bool AcceptWindow(WindowHandle window) override;

private:
    std::uint32_t m_dwProcessId;
    bool m_bVisibleOnly;
};

// True when the process owns at least one top-level window with WS_VISIBLE.
bool HasVisibleMainWindow(WindowSystem& windows, std::uint32_t processId);
