#pragma once

#include <string>

// The running executable's own file.
class OwnModule {
public:
    virtual ~OwnModule() = default;
    // Full path of the executable (GetModuleFileNameW, 260 characters).
    virtual std::wstring GetOwnModulePath() const = 0;
};
