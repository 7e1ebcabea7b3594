#pragma once

#include "checks/registry.h"

// HKEY_LOCAL_MACHINE in the process's own registry view.
class Win32Registry final : public Registry {
public:
    std::optional<std::vector<std::uint8_t>> ReadValue(std::wstring_view keyPath, std::wstring_view valueName,
                                                       std::size_t bufferBytes) const override;
};
