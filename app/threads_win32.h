#pragma once

#include "app/threads.h"

#include <cstdint>

class Win32Threads final : public Threads {
public:
    // Made on the main thread, which the wake-up is posted to.
    Win32Threads();
    std::unique_ptr<Event> CreateManualResetEvent(std::uint32_t& error) override;
    bool StartWorker(std::function<void()> body, std::uint32_t& error) override;
    void DispatchPendingMessages() override;
    std::size_t WaitForEventsOrInput(std::span<Event* const> events, std::uint32_t& error) override;
    void WakeMainThread() override;
    void Pause(std::uint32_t milliseconds) override;

private:
    std::uint32_t m_nMainThreadId;
};
