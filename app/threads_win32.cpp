#include "app/threads_win32.h"

#include "app/win32_handles.h"

#include <objbase.h>

#include <vector>

namespace {

class Win32Event final : public Event {
public:
    explicit Win32Event(UniqueHandle handle) : m_hEvent(std::move(handle)) {}
    void Set() override { ::SetEvent(m_hEvent.Get()); }
    void Reset() override { ::ResetEvent(m_hEvent.Get()); }
    HANDLE Get() const { return m_hEvent.Get(); }

private:
    UniqueHandle m_hEvent;
};

DWORD WINAPI WorkerEntry(void* parameter)
{
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    const HRESULT com = ::CoInitialize(nullptr);
    (*body)();
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return 0;
}

}  // namespace

Win32Threads::Win32Threads() : m_nMainThreadId(::GetCurrentThreadId()) {}

std::unique_ptr<Event> Win32Threads::CreateManualResetEvent(std::uint32_t& error)
{
    UniqueHandle handle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!handle) {
        error = ::GetLastError();
        return nullptr;
    }
    return std::make_unique<Win32Event>(std::move(handle));
}

bool Win32Threads::StartWorker(std::function<void()> body, std::uint32_t& error)
{
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    UniqueHandle thread(::CreateThread(nullptr, 0, WorkerEntry, owned.get(), 0, nullptr));
    if (!thread) {
        error = ::GetLastError();
        return false;
    }
    owned.release();  // the thread owns it now; its handle is not kept
    return true;
}

void Win32Threads::DispatchPendingMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT)
            ::DispatchMessageW(&message);
    }
}

std::size_t Win32Threads::WaitForEventsOrInput(std::span<Event* const> events, std::uint32_t& error)
{
    std::vector<HANDLE> handles(events.size());
    for (std::size_t i = 0; i < events.size(); ++i)
        handles[i] = static_cast<Win32Event*>(events[i])->Get();
    const DWORD woken = ::MsgWaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE,
                                                    INFINITE, QS_ALLINPUT);
    if (woken == WAIT_FAILED) {
        error = ::GetLastError();
        return kWaitFailed;
    }
    return woken - WAIT_OBJECT_0;
}

void Win32Threads::WakeMainThread()
{
    // A thread message counts as input for MsgWaitForMultipleObjects; the
    // pump drops it, as WM_NULL does nothing.
    ::PostThreadMessageW(m_nMainThreadId, WM_NULL, 0, 0);
}

void Win32Threads::Pause(std::uint32_t milliseconds)
{
    ::Sleep(milliseconds);
}
