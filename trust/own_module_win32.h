#pragma once

#include "trust/own_module.h"

class Win32OwnModule final : public OwnModule {
public:
    std::optional<std::wstring> GetOwnModulePath() const override;
};
