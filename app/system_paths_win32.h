#pragma once

#include "app/system_paths.h"

class Win32SystemPaths final : public SystemPaths {
public:
    std::optional<std::wstring> TempFolder() const override;
    std::optional<std::wstring> SpecialFolder(int csidl) const override;
    std::wstring EnvironmentValue(std::wstring_view name) const override;
    std::optional<std::wstring> FullPath(std::wstring_view path) const override;
};
