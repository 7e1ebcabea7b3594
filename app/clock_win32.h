#pragma once

#include "app/clock.h"

class Win32Clock final : public Clock {
public:
    std::uint32_t GetTickCount() const override;
};
