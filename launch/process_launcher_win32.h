#pragma once

#include "launch/process_launcher.h"

class Win32ProcessLauncher final : public ProcessLauncher {
public:
    void ChangeDirectory(const std::wstring& folder) override;
    std::unique_ptr<ChildProcess> Start(const std::wstring& commandLine) override;
};
