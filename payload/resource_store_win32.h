#pragma once

#include "payload/resource_store.h"

// The TOOLKIT resources of a loaded module.
class Win32ResourceStore final : public ResourceStore {
public:
    std::optional<std::vector<ResourceName>> EnumerateNames(std::uintptr_t module, const std::wstring& type) override;
    ResourceBytes Lock(std::uintptr_t module, std::uint32_t id, const std::wstring& type) override;
};
