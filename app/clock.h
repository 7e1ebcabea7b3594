#pragma once

#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since the system started (GetTickCount).
    virtual std::uint32_t GetTickCount() const = 0;
};
