// The worker thread, the two events and the main thread's message pump.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

// A manual-reset event, initially not signalled; closed when destroyed.
class Event {
public:
    virtual ~Event() = default;
    virtual void Set() = 0;
    virtual void Reset() = 0;
};

class Threads {
public:
    virtual ~Threads() = default;
    // An unnamed manual-reset event, not signalled. On failure: null, with
    // the platform's error code in error.
    virtual std::unique_ptr<Event> CreateManualResetEvent(std::uint32_t& error) = 0;
    // Runs body on a new thread (default stack, normal priority) with COM
    // initialised around it; the thread is not joined. On failure: false,
    // with the platform's error code in error.
    virtual bool StartWorker(std::function<void()> body, std::uint32_t& error) = 0;
    // Removes every waiting message of this thread, dispatching all but quit
    // requests, which are dropped.
    virtual void DispatchPendingMessages() = 0;
    // Sleeps until one of the events is signalled (its index) or input
    // arrives (events.size()); kWaitFailed, with the platform's error code in
    // error, when the wait itself fails; any other value for anything else.
    static constexpr std::size_t kWaitFailed = static_cast<std::size_t>(-1);
    virtual std::size_t WaitForEventsOrInput(std::span<Event* const> events, std::uint32_t& error) = 0;
    // Any thread: makes the main thread's wait return for input, so that it
    // looks at the shared state again.
    virtual void WakeMainThread() = 0;
    // The calling thread sleeps for about that long.
    virtual void Pause(std::uint32_t milliseconds) = 0;
};
