#pragma once

#include "ui/shell.h"

class Win32Shell final : public Shell {
public:
    std::intptr_t Open(const std::wstring& target) override;
};
