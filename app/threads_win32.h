#pragma once

#include "app/threads.h"

class Win32Threads final : public Threads {
public:
    std::unique_ptr<Event> CreateManualResetEvent(std::uint32_t& error) override;
    bool StartWorker(std::function<void()> body, std::uint32_t& error) override;
    void DispatchPendingMessages() override;
    std::size_t WaitForEventsOrInput(std::span<Event* const> events) override;
};
