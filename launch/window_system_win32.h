#pragma once

#include "launch/window_iterator.h"

class Win32WindowSystem final : public WindowSystem {
public:
    void EnumerateTopLevelWindows(const std::function<bool(WindowHandle)>& visit) override;
    std::uint32_t GetStyle(WindowHandle window) override;
    std::uint32_t GetOwnerProcessId(WindowHandle window) override;
};
